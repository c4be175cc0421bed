#pragma once
// The command line's page output: a PDF file, or a CUPS queue that receives the job
// as a PDF file with the options the windows' printer would send (the paper, its
// source, the sides). Drawn with Qt's PDF writer, so no window code is needed.

#include "print/render/PageOutput.h"

#include <QString>

#include <memory>
#include <string>

class QPdfWriter;

namespace nrt::print {

class JobOutput final : public PageOutput {
public:
    enum class Kind { kPdfFile, kQueue };
    // `target` is the PDF file (a system path) or the queue's name (UTF-8).
    JobOutput(Kind kind, QString target);
    ~JobOutput() override;

    // Pages `from`..`to` of the job (0 and 0: all).
    void SetRange(int from, int to);
    // Whether the system has a CUPS queue of this name (CP932).
    static bool QueueExists(std::string_view name);
    // False when the last job did not reach its file or queue (the reason shown).
    bool Delivered() const { return delivered_; }

    QPaintDevice* OpenJob(QWidget* owner, bool useSaved, Paper paper) override;
    int FromPage() const override { return from_; }
    int ToPage() const override { return to_; }
    [[nodiscard]] JobStep StartDoc(std::string_view jobName) override;
    [[nodiscard]] JobStep StartPage() override;
    void EndDoc() override;
    void AbortDoc() override;

private:
    bool PrinterExists(std::string_view name) const override;
    // The finished file to the queue with the job's options; false (the reason
    // shown) when CUPS refuses it.
    bool Submit();
    void Close();

    Kind kind_;
    QString target_;
    QString file_; // where the writer writes: the target, or a temporary file for a queue
    std::unique_ptr<QPdfWriter> writer_;
    int from_ = 0, to_ = 0;
    Paper paper_;
    bool landscape_ = false;
    std::int32_t source_ = 0;
    std::int32_t duplex_ = 1;
    std::string media_; // the queue's name for the paper, or the custom size's key
    bool driverSize_ = false; // media_ is a keyword of the queue's driver description
    std::string title_;
    bool delivered_ = true;
};

} // namespace nrt::print
