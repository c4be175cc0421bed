// Multistatus answers as servers write them, and documents that are refused.

#include "sync/DavXml.h"

#include <gtest/gtest.h>

namespace nrt::dav::xml {
namespace {

TEST(DavXml, ReadsAnswersWhateverTheirPrefixesAndRefusesDocumentTypes)
{
    const std::string card = "<href>/b/1.vcf</href><propstat><prop><getetag>\"e1\"</getetag></prop>"
                             "<status>HTTP/1.1 200 OK</status></propstat>"
                             "<propstat><prop><displayname/></prop><status>HTTP/1.1 404 Not Found</status></propstat>";
    struct Case {
        const char* what;
        std::string text;
        bool parses;
    } cases[] = {
        { "default namespace", "<multistatus xmlns=\"DAV:\"><response>" + card + "</response></multistatus>", true },
        { "numbered prefix",
            "<ns0:multistatus xmlns:ns0=\"DAV:\"><ns0:response><ns0:href>/b/1.vcf</ns0:href><ns0:propstat><ns0:prop>"
            "<ns0:getetag>\"e1\"</ns0:getetag></ns0:prop><ns0:status>HTTP/1.1 200 OK</ns0:status></ns0:propstat>"
            "</ns0:response></ns0:multistatus>",
            true },
        { "entities declared",
            "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>"
            "<multistatus xmlns=\"DAV:\"><response>"
                + card + "&b;</response></multistatus>",
            false },
        { "another root", "<error xmlns=\"DAV:\"><valid-sync-token/></error>", false },
        { "not XML", "<html>Internal error", false },
    };
    for (const auto& c : cases) {
        MultiStatus ms;
        ASSERT_EQ(ParseMultiStatus(c.text, &ms), c.parses) << c.what;
        if (!c.parses)
            continue;
        ASSERT_EQ(ms.responses.size(), 1u) << c.what;
        const auto& r = ms.responses[0];
        EXPECT_EQ(r.hrefs, std::vector<std::string> { "/b/1.vcf" }) << c.what;
        ASSERT_EQ(r.props.count("{DAV:}getetag"), 1u) << c.what;
        EXPECT_EQ(r.props.at("{DAV:}getetag").text, "\"e1\"") << c.what;
        EXPECT_EQ(r.props.count("{DAV:}displayname"), 0u) << c.what << ": a property the server lacks";
    }
    EXPECT_TRUE(HasPrecondition("<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>", "{DAV:}valid-sync-token"));
    EXPECT_FALSE(
        HasPrecondition("<d:error xmlns:d=\"DAV:\"><d:supported-report/></d:error>", "{DAV:}valid-sync-token"));
}

} // namespace
} // namespace nrt::dav::xml
