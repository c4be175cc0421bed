#include "print/PaperSize.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace nrt;

namespace {

// A PDF as the writer lays one out: objects, a cross-reference table with ten-digit
// offsets, the trailer.
std::string Pdf(const std::vector<std::string>& objects)
{
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t o : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o);
        pdf += entry;
    }
    pdf += "trailer\n<<\n/Size " + std::to_string(objects.size() + 1) + "\n/Root 1 0 R\n>>\nstartxref\n"
        + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

// Every table entry and "startxref" must point at what they name.
void ExpectConsistent(const std::string& pdf, std::size_t objects)
{
    const std::size_t xref = pdf.rfind("\nxref\n") + 1;
    const std::size_t start = pdf.rfind("startxref\n");
    EXPECT_EQ(std::strtoul(pdf.c_str() + start + 10, nullptr, 10), xref);
    const std::size_t entries = pdf.find('\n', xref + 5) + 1 + 20;
    for (std::size_t i = 0; i < objects; ++i) {
        const std::size_t at = std::strtoul(pdf.c_str() + entries + 20 * i, nullptr, 10);
        EXPECT_EQ(pdf.compare(at, std::to_string(i + 1).size() + 6, std::to_string(i + 1) + " 0 obj"), 0)
            << "object " << i + 1;
    }
}

} // namespace

TEST(PaperSize, MediaMatchedBySize)
{
    const std::vector<MediaSize> media {
        { "Letter", 612, 792 },
        { "A4", 595, 842 },
        { "Postcard", 283, 420 }, // 99.84 x 148.17 mm
        { "EnvChou3", 340, 666 }, // 120 x 235 mm
        { "EnvChou4", 255, 581 }, // 90 x 205 mm
        { "DoublePostcardRotated", 420, 567 },
    };
    struct Case {
        const char* what;
        std::int32_t width, height;
        int expected;
    } cases[] = {
        { "a postcard", 10000, 14800, 2 },
        { "an A4 label sheet", 21000, 29700, 1 },
        { "a long envelope no. 3", 12000, 23500, 3 },
        { "a long envelope no. 4", 9000, 20500, 4 },
        { "a card 1.2 mm wider than any", 10120, 14800, -1 },
        { "a postcard turned sideways", 14800, 10000, -1 },
        { "nothing", 0, 0, -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchMedia(c.width, c.height, media), c.expected) << c.what;
    EXPECT_EQ(MatchMedia(10000, 14800, {}), -1);
    // Of two within a millimetre, the nearer.
    EXPECT_EQ(MatchMedia(10000, 14800, { { "Far", 285, 421 }, { "Near", 283.5, 419.5 } }), 1);
}

TEST(PaperSize, PdfPagesGetTheExactSize)
{
    const std::string original = Pdf({
        "<<\n/Type /Catalog\n/Pages 2 0 R\n>>",
        "<<\n/Type /Pages\n/Kids [3 0 R 4 0 R]\n/Count 2\n>>",
        "<<\n/Type /Page\n/Parent 2 0 R\n/MediaBox [0 0 283 420]\n>>",
        "<<\n/Type /Page\n/Parent 2 0 R\n/MediaBox [0 0 283 420]\n>>",
        "<< /Length 4 >>\nstream\nq Q\nendstream",
    });
    std::string pdf = original;
    ASSERT_TRUE(SetPdfPageSize(pdf, 283.4646, 419.5276));
    // The top edge stays at 420, where the page's content was placed from.
    EXPECT_NE(pdf.find("/MediaBox [0 0.47 283.46 420.00]"), std::string::npos) << pdf;
    EXPECT_EQ(pdf.find("/MediaBox [0 0 283 420]"), std::string::npos);
    ExpectConsistent(pdf, 5);

    struct Refused {
        const char* what;
        std::string bytes;
    } refused[] = {
        { "no page box", Pdf({ "<< /Type /Catalog >>" }) },
        { "no table", "%PDF-1.4\n1 0 obj\n<< /MediaBox [0 0 10 10] >>\nendobj\n" },
        { "a box not at the origin", Pdf({ "<< /MediaBox [5 5 10 10] >>" }) },
        { "an unreadable box", Pdf({ "<< /MediaBox [0 0 a b] >>" }) },
    };
    for (Refused& r : refused) {
        const std::string before = r.bytes;
        EXPECT_FALSE(SetPdfPageSize(r.bytes, 100, 100)) << r.what;
        EXPECT_EQ(r.bytes, before) << r.what;
    }
}

// A driver's sizes by its own keywords; of a Postcard 0.7 mm short at each end and an
// exact Hagaki the card gets Hagaki, and of two as close Hagaki comes first.
TEST(PaperSize, DriverSizesAndTheCardsPaper)
{
    const std::string ppd = "*PaperDimension A4/A4: \"595 842\"\n"
                            "*PaperDimension Postcard/Postcard: \"283 416\"\r\n"
                            "*PaperDimension Hagaki/Hagaki: \"283 420\"\n"
                            "*PaperDimension Broken: \"x y\"\n"
                            "*ImageableArea Hagaki/Hagaki: \"0 0 283 420\"\n";
    const std::vector<MediaSize> sizes = PpdPaperSizes(ppd);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[1].key, "Postcard");
    EXPECT_EQ(sizes[2].heightPt, 420);
    EXPECT_EQ(MatchMedia(10000, 14800, sizes), 2);
    const std::vector<MediaSize> same { { "Postcard", 283.46, 419.53 }, { "jpn_hagaki", 283.46, 419.53 },
        { "A6", 297.64, 419.53 } };
    EXPECT_EQ(MatchMedia(10000, 14800, same), 1);
    EXPECT_EQ(MatchMedia(10500, 14800, same), 2);
}
