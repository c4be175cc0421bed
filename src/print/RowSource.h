#pragma once
// The records a print job or the preview walks, row by row.

#include "print/CardFill.h"

#include <vector>

namespace nrt {

class AddressTable;
class RecordSet;

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int RowCount() const = 0;
    // The values of row `row` (0 <= row < RowCount()); valid until the next call.
    virtual FieldLookup Row(int row) = 0;
};

// Records of a table given by their indices, in the order given.
class TableRows : public RowSource {
public:
    TableRows(const AddressTable& db, std::vector<int> records);
    int RowCount() const override { return static_cast<int>(records_.size()); }
    FieldLookup Row(int row) override;

private:
    const AddressTable& db_;
    std::vector<int> records_;
};

} // namespace nrt

namespace nrt {

// The rows of a record set, read from its table without moving its cursor.
class RecordSetRows : public RowSource {
public:
    explicit RecordSetRows(const RecordSet& records);
    int RowCount() const override;
    FieldLookup Row(int row) override;

private:
    const RecordSet& records_;
};

} // namespace nrt
