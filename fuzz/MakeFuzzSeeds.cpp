// Writes the seed corpus of every fuzz target: a few small, valid inputs each, made here.
//
// Usage: MakeFuzzSeeds <folder>   (writes <folder>/<target>/<name>)
#include "tests/support/ZipWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Seeds = std::vector<std::pair<std::string, std::string>>;

Seeds zipSeeds() {
    using Testing::ZipWriter;
    ZipWriter tree;
    tree.addFolder("data/");
    tree.add("data/maps/town.map", "a town map, deflated; a town map, deflated");
    tree.add("readme.txt", "stored text", ZipWriter::Stored);
    tree.add("data\\sound\\bell.wav", "bell");
    tree.add("empty.txt", "", ZipWriter::Stored);
    ZipWriter commented;
    commented.add("file.txt", "contents of the file");
    commented.setComment("a package comment");
    return {{"tree.zip", tree.bytes()},
            {"commented.zip", commented.bytes()},
            {"empty.zip", ZipWriter().bytes()}};
}

Seeds xmlSeeds() {
    return {
        {"launcher.xml",
         "<?xml version=\"1.0\" ?>\n<launcher>\n\t<URL>http://127.0.0.1:8080</URL>\n"
         "\t<Login className=\"LoginState\" rect=\"1 2 3 4\">\n\t\t<position>10 20</position>\n"
         "\t\t<flag>TRUE</flag>\n\t\t<!-- a comment -->\n\t\t<count>-12</count>\n"
         "\t\t<scale x=\"1.5\" y=\"2\" mask=\"65535\">0.25</scale>\n\t</Login>\n</launcher>\n"},
        {"credentials.xml", "<?xml version=\"1.0\" ?>\n<credentials>\n\t<userID>Jos\xe9</userID>\n"
                            "\t<password>Stra\xdf</password>\n</credentials>\n"},
        {"utf8.xml", "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<a name=\"Jos\xc3\xa9\">&#xE9;&amp;<![CDATA[<raw>]]></a>"},
        {"reference.xml", "<root><a source=\"this\" name=\"b\"/><b><c>1</c></b></root>"},
        {"nested.xml",
         "<a><b><c><d><e><f><g><h><i><j>deep</j></i></h></g></f></e></d></c></b></a>"},
        {"unknown.xml", "<!DOCTYPE x><?xml version='1.0' encoding='latin-1'?><x a='1'/><y>t</y>"},
    };
}

Seeds replySeeds() {
    // First byte: bit 0 picks the buffer sink, the rest the chunk size.
    return {
        {"login", std::string("\x06") + "HTTP/1.1 200 OK\r\nContent-Length: 16\r\n\r\n"
                                        "OK,a,b\nk:v\nflag\n"},
        {"interim", std::string("\x08") + "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n"
                                          "Content-Length: 9\r\n\r\nKO,2,m.xml"},
        {"proxy", std::string("\x21") + "HTTP/1.1 200 Connection established\r\n\r\n"
                                        "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno\n"},
        {"download", std::string("\x41") + "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n"
                                           "Connection: close\r\n\r\nPK\x03\x04 data\r\n\r\n"},
    };
}

Seeds textSeeds() {
    return {
        {"url", "/http://127.0.0.1:8080/ksclient/ksserver.php"},
        {"https", "?HTTPS://example.com"},
        {"port", ":ftp://host:-5"},
        {"reply", ", \r\nOK,value one,value two\t\n"},
        {"encode", "&a b&c/x?y=%41@"},
    };
}

Seeds signatureSeeds() {
    const std::string signature =
        "4ON1WDL8KFnt9o/4uYYV5HfEx0+JwnNwgLtTO7QFwxjIF4v9kQWGJZ4rXJjV3nb8ljWoYYFsf63zJcF9ld0lBg==";
    const std::string manifest =
        "<manifest version=\"2\" expires=\"2027-01-07T08:39:00Z\"><group name=\"game\" ver=\"2\" "
        "path=\"2/game.zip\" size=\"111\" sha256=\"c154592548e59318d7ba395593a4712a49070df7962eb4"
        "eca212a0b0d40bb6be\"><file name=\"a.txt\" ver=\"2\"/></group></manifest>";
    return {
        {"signed", signature + std::string(1, '\0') + manifest},
        {"leap-day", std::string(1, '\0') + "<manifest expires=\"2024-02-29T23:59:59Z\"/>"},
        {"upper-digest", "x" + std::string(1, '\0') + "<manifest><group sha256=\"" +
                             std::string(64, 'F') + "\"/></manifest>"},
    };
}

bool writeSeeds(const fs::path &folder, const Seeds &seeds) {
    fs::create_directories(folder);
    for (const auto &[name, bytes] : seeds) {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const Seeds xml = xmlSeeds();
    const bool written = writeSeeds(root / "ZipPackageFuzzer", zipSeeds()) &&
                         writeSeeds(root / "XMLArchiveFuzzer", xml) &&
                         writeSeeds(root / "XMLNestingFuzzer", xml) &&
                         writeSeeds(root / "HttpReplyFuzzer", replySeeds()) &&
                         writeSeeds(root / "TextHelpersFuzzer", textSeeds()) &&
                         writeSeeds(root / "ReleaseSignatureFuzzer", signatureSeeds());
    return written ? 0 : 1;
}
