// The programs as installed: every file in its place, the desktop entry and the AppStream data as
// their validators take them, one version everywhere, and manual pages that describe every
// command and option the programs' help shows.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace varnel::test {
namespace {

namespace fs = std::filesystem;

const std::string kStage = VARNEL_INSTALL_STAGE;
const std::string kPrefix = kStage + "/usr";
const std::string kTool = kPrefix + "/bin/varnel-tool";
const std::string kEditor = kPrefix + "/bin/varneledit";
const std::string kDesktopEntry = kPrefix + "/share/applications/varneledit.desktop";
const std::string kMetainfo = kPrefix + "/share/metainfo/org.varneledit.VarnelEdit.metainfo.xml";
const std::string kManuals = kPrefix + "/share/man/man1/";

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

// A program with these arguments, its output and its errors caught; its input is the file input,
// if one is given.
Outcome run(const std::vector<std::string>& command, const std::string& input = "") {
    const TempFolder outputs;
    std::string line;
    for (const std::string& argument : command) {
        line += quoted(argument) + " ";
    }
    line += ">" + quoted(outputs.file("out")) + " 2>" + quoted(outputs.file("err"));
    if (!input.empty()) {
        line += " <" + quoted(input);
    }
    const int status = std::system(line.c_str());
    const Bytes out = readFile(outputs.file("out"));
    const Bytes err = readFile(outputs.file("err"));
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(out.begin(), out.end()),
            std::string(err.begin(), err.end())};
}

std::string textOf(const std::string& path) {
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A compressed file's text, as gzip gives it back.
std::string uncompressed(const std::string& path) {
    const Outcome gunzip = run({"gzip", "-dc", path});
    EXPECT_EQ(gunzip.status, 0) << path << ": " << gunzip.err;
    return gunzip.out;
}

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path == nullptr ? "" : path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

#define SKIP_WITHOUT(program)                                                             \
    if (!onPath(program)) {                                                               \
        GTEST_SKIP() << program << " is not installed (make test installs it on Debian)"; \
    }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines after the heading (such as "Options:") up to the next empty line.
std::string block(const std::string& text, const std::string& heading) {
    std::string result;
    bool inside = false;
    for (const std::string& line : linesOf(text)) {
        if (inside && line.empty()) {
            break;
        }
        if (inside) {
            result += line + "\n";
        }
        inside = inside || line == heading;
    }
    return result;
}

// Every option a text names: "-o", "--names", "--dry-run" (not the "-" of "in-memory").
std::set<std::string> optionsIn(const std::string& text) {
    static const std::regex option(R"((^|[^\w-])(--?[A-Za-z][\w-]*))");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
         it != std::sregex_iterator(); ++it) {
        options.insert((*it)[2]);
    }
    return options;
}

bool namesOption(const std::string& text, const std::string& option) {
    return std::regex_search(text, std::regex("(^|[^\\w-])" + option + "($|[^\\w-])"));
}

// A manual page's source as a reader sees its words: "\-" is "-", font changes are dropped.
std::string pageText(const std::string& path) {
    std::string source = uncompressed(path);
    source = std::regex_replace(source, std::regex(R"(\\f[BIRP])"), "");
    source = std::regex_replace(source, std::regex(R"(\\-)"), "-");
    return std::regex_replace(source, std::regex(R"(\\e)"), "\\");
}

// The part of a page from the line that begins with start to the next section or subsection.
std::string section(const std::string& page, const std::string& start) {
    std::string result;
    bool inside = false;
    for (const std::string& line : linesOf(page)) {
        if (inside && (line.starts_with(".SH") || line.starts_with(".SS"))) {
            break;
        }
        inside = inside || line.starts_with(start);
        if (inside) {
            result += line + "\n";
        }
    }
    return result;
}

// The width and height a PNG's header gives; 0 by 0 for a file that is no PNG.
std::pair<int, int> pngSize(const std::string& path) {
    const Bytes bytes = readFile(path);
    const std::string signature = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 24 || std::string(bytes.begin(), bytes.begin() + 8) != signature ||
        std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR") {
        return {0, 0};
    }
    const auto number = [&](std::size_t at) {
        return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
    };
    return {number(16), number(20)};
}

// The value of a key of a desktop entry's main group.
std::string desktopValue(const std::string& entry, const std::string& key) {
    for (const std::string& line : linesOf(entry)) {
        if (line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

// The text of every element of that name in an XML file, in order.
std::vector<std::string> xmlTexts(const std::string& path, const QString& element) {
    const std::string xml = textOf(path);
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    std::vector<std::string> texts;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == element) {
            texts.push_back(reader.readElementText().trimmed().toStdString());
        }
    }
    EXPECT_FALSE(reader.hasError()) << path << ": " << reader.errorString().toStdString();
    return texts;
}

// The version attribute of every release in the AppStream data, newest first.
std::vector<std::string> releaseVersions() {
    QXmlStreamReader reader(QByteArray::fromStdString(textOf(kMetainfo)));
    std::vector<std::string> versions;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"release") {
            versions.push_back(reader.attributes().value("version").toString().toStdString());
        }
    }
    return versions;
}

TEST(InstalledFiles, EveryFileIsInItsPlaceAndNothingElseIsInstalled) {
    const std::set<std::string> expected = {
        "usr/bin/varneledit",
        "usr/bin/varnel-tool",
        "usr/share/applications/varneledit.desktop",
        "usr/share/icons/hicolor/scalable/apps/varneledit.svg",
        "usr/share/icons/hicolor/48x48/apps/varneledit.png",
        "usr/share/icons/hicolor/256x256/apps/varneledit.png",
        "usr/share/metainfo/org.varneledit.VarnelEdit.metainfo.xml",
        "usr/share/man/man1/varneledit.1.gz",
        "usr/share/man/man1/varnel-tool.1.gz",
        "usr/share/doc/varneledit/copyright",
        "usr/share/doc/varneledit/changelog.gz",
    };
    std::set<std::string> installed;
    for (const auto& entry : fs::recursive_directory_iterator(kStage)) {
        if (!entry.is_directory()) {
            installed.insert(fs::relative(entry.path(), kStage).string());
        }
    }
    EXPECT_EQ(installed, expected);

    // The programs may be run by everyone; the rest is read, never run.
    for (const std::string& file : expected) {
        struct stat status {};
        ASSERT_EQ(::stat((kStage + "/" + file).c_str(), &status), 0) << file;
        const mode_t mode = status.st_mode & 07777;
        const bool program = file.starts_with("usr/bin/");
        EXPECT_EQ(mode, program ? 0755u : 0644u) << file << std::oct << " has mode " << mode;
    }
}

TEST(InstalledFiles, IconsHaveTheSizesOfTheirFolders) {
    const std::string icons = kPrefix + "/share/icons/hicolor/";
    EXPECT_EQ(pngSize(icons + "48x48/apps/varneledit.png"), std::make_pair(48, 48));
    EXPECT_EQ(pngSize(icons + "256x256/apps/varneledit.png"), std::make_pair(256, 256));

    // The scalable icon is SVG drawn on a square.
    QXmlStreamReader svg(QByteArray::fromStdString(textOf(icons + "scalable/apps/varneledit.svg")));
    ASSERT_TRUE(svg.readNextStartElement()) << svg.errorString().toStdString();
    EXPECT_EQ(svg.name().toString().toStdString(), "svg");
    EXPECT_EQ(svg.namespaceUri().toString().toStdString(), "http://www.w3.org/2000/svg");
    const QStringList box = svg.attributes().value("viewBox").toString().split(' ');
    ASSERT_EQ(box.size(), 4);
    EXPECT_GT(box[2].toDouble(), 0);
    EXPECT_EQ(box[2], box[3]);
}

TEST(DesktopEntry, PassesItsValidator) {
    SKIP_WITHOUT("desktop-file-validate");
    const Outcome validate = run({"desktop-file-validate", kDesktopEntry});
    EXPECT_EQ(validate.status, 0);
    EXPECT_EQ(validate.out + validate.err, "");
}

TEST(DesktopEntry, StartsTheInstalledEditorWithItsIcon) {
    const std::string entry = textOf(kDesktopEntry);
    ASSERT_TRUE(entry.starts_with("[Desktop Entry]\n"));
    // The editor takes no file to open, so the entry passes none.
    EXPECT_EQ(desktopValue(entry, "Exec"), "varneledit");
    EXPECT_EQ(::access((kPrefix + "/bin/" + desktopValue(entry, "Exec")).c_str(), X_OK), 0);
    EXPECT_EQ(desktopValue(entry, "Terminal"), "false");
    const std::string icon = desktopValue(entry, "Icon");
    EXPECT_EQ(icon, "varneledit");
    for (const char* size : {"scalable", "48x48", "256x256"}) {
        const std::string file = kPrefix + "/share/icons/hicolor/" + size + "/apps/" + icon +
                                 (std::string(size) == "scalable" ? ".svg" : ".png");
        EXPECT_TRUE(fileExists(file)) << file;
    }
}

TEST(AppStreamData, PassesItsValidatorAlsoWithTheInstalledTree) {
    SKIP_WITHOUT("appstreamcli");
    // --no-net: the screenshot's address is not looked up.
    Outcome validate = run({"appstreamcli", "validate", "--no-net", "--explain", kMetainfo});
    EXPECT_EQ(validate.status, 0) << validate.out << validate.err;
    // The tree: the desktop entry that the data names is installed beside it.
    validate = run({"appstreamcli", "validate-tree", "--no-net", "--explain", kPrefix});
    EXPECT_EQ(validate.status, 0) << validate.out << validate.err;
    EXPECT_EQ(validate.out.find("W: "), std::string::npos) << validate.out;
}

TEST(AppStreamData, NamesTheInstalledEntryAndPrograms) {
    const std::vector<std::string> ids = xmlTexts(kMetainfo, "id");
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(fs::path(kMetainfo).filename().string(), ids[0] + ".metainfo.xml");

    const std::vector<std::string> launchables = xmlTexts(kMetainfo, "launchable");
    ASSERT_EQ(launchables.size(), 1u);
    EXPECT_EQ(kPrefix + "/share/applications/" + launchables[0], kDesktopEntry);

    const std::vector<std::string> binaries = xmlTexts(kMetainfo, "binary");
    EXPECT_EQ(std::set<std::string>(binaries.begin(), binaries.end()),
              std::set<std::string>({"varneledit", "varnel-tool"}));
    for (const std::string& binary : binaries) {
        EXPECT_EQ(::access((kPrefix + "/bin/" + binary).c_str(), X_OK), 0) << binary;
    }
    // A screenshot, by an https address.
    const std::vector<std::string> images = xmlTexts(kMetainfo, "image");
    ASSERT_FALSE(images.empty());
    EXPECT_TRUE(images[0].starts_with("https://")) << images[0];
}

TEST(Versions, EveryInstalledFileSaysTheProjectsVersion) {
    const std::string version = VARNEL_VERSION;
    Outcome asked = run({kTool, "--version"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.out, "varnel-tool " + version + "\n");
    asked = run({kEditor, "--version"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.out, "varneledit " + version + "\n");
    asked = run({kEditor, "-v"});
    EXPECT_EQ(asked.out, "varneledit " + version + "\n");

    const std::vector<std::string> releases = releaseVersions();
    ASSERT_FALSE(releases.empty());
    EXPECT_EQ(releases.front(), version);

    const std::string changelog = uncompressed(kPrefix + "/share/doc/varneledit/changelog.gz");
    EXPECT_TRUE(changelog.starts_with("varneledit (" + version + ") ")) << changelog;

    for (const char* page : {"varneledit.1.gz", "varnel-tool.1.gz"}) {
        const std::string title = section(pageText(kManuals + page), ".TH");
        EXPECT_NE(title.find("\"VarnelEdit " + version + "\""), std::string::npos) << title;
    }
}

TEST(ManualPages, ToolPageDescribesEveryCommandAndOptionOfTheHelp) {
    const std::string page = pageText(kManuals + "varnel-tool.1.gz");
    const Outcome overview = run({kTool, "--help"});
    ASSERT_EQ(overview.status, 0);

    // Every option the overview names, in the page.
    const std::set<std::string> overviewOptions = optionsIn(overview.out);
    EXPECT_TRUE(overviewOptions.contains("--version"));
    for (const std::string& option : overviewOptions) {
        EXPECT_TRUE(namesOption(page, option)) << option;
    }

    // Every command, in a subsection of its own that names every option of its help.
    std::vector<std::string> commands;
    for (const std::string& line : linesOf(block(overview.out, "Commands:"))) {
        if (line.size() > 2 && line.starts_with("  ") && line[2] != ' ') {
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    EXPECT_EQ(commands.size(), 6u);
    for (const std::string& command : commands) {
        const std::string description = section(page, ".SS \"" + command + " ");
        EXPECT_FALSE(description.empty()) << "no subsection for " << command;
        const Outcome help = run({kTool, command, "--help"});
        ASSERT_EQ(help.status, 0) << command;
        const std::set<std::string> options = optionsIn(block(help.out, "Options:"));
        EXPECT_TRUE(options.contains("--help")) << command;
        for (const std::string& option : options) {
            EXPECT_TRUE(namesOption(description, option)) << command << " " << option;
        }
    }
}

TEST(ManualPages, EditorPageDescribesEveryOptionOfTheHelp) {
    const std::string options = section(pageText(kManuals + "varneledit.1.gz"), ".SH OPTIONS");
    const Outcome help = run({kEditor, "--help"});
    ASSERT_EQ(help.status, 0);
    EXPECT_EQ(run({kEditor, "-h"}).out, help.out);
    const std::set<std::string> named = optionsIn(help.out);
    EXPECT_TRUE(named.contains("--version"));
    for (const std::string& option : named) {
        EXPECT_TRUE(namesOption(options, option)) << option;
    }
}

TEST(ManualPages, RenderWithoutWarnings) {
    SKIP_WITHOUT("groff");
    for (const char* page : {"varneledit.1.gz", "varnel-tool.1.gz"}) {
        const TempFolder folder;
        writeFile(folder.file("page"), uncompressed(kManuals + page));
        const Outcome render = run({"groff", "-man", "-Tutf8", "-ww", "-z"}, folder.file("page"));
        EXPECT_EQ(render.status, 0) << page;
        EXPECT_EQ(render.err, "") << page;
    }
}

}  // namespace
}  // namespace varnel::test
