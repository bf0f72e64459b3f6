#include "tool_fixture.h"

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "demo_units.h"
#include "tool/cli.h"

namespace varnel::test {

ToolResult runTool(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = tool::runTool(arguments, out, err);
    return {status, out.str(), err.str()};
}

ToolResult runProgram(const std::vector<std::string>& arguments, const std::string& input) {
    const TempFolder outputs;
    std::string command = "'" VARNEL_TOOL_PROGRAM "'";
    for (const std::string& argument : arguments) {
        std::string quoted;
        for (const char c : argument) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        command += " '" + quoted + "'";
    }
    command += " >'" + outputs.file("out") + "' 2>'" + outputs.file("err") + "'";
    if (!input.empty()) {
        command += " <'" + input + "'";
    }
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contentOf(outputs.file("out")),
            contentOf(outputs.file("err"))};
}

std::string contentOf(const std::string& path) {
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string withByte(std::string file, std::int64_t unit, int offset, int value) {
    file[static_cast<std::size_t>(2 + 73 * unit + offset)] = static_cast<char>(value);
    return file;
}

std::string withLine(const std::string& list, int line, const std::string& name) {
    std::string result;
    std::size_t start = 0;
    for (int number = 1; start < list.size(); ++number) {
        const std::size_t end = list.find("\r\n", start) + 2;
        result += number == line ? name + "\r\n" : list.substr(start, end - start);
        start = end;
    }
    return result;
}

namespace {
std::string asText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}
}  // namespace

ToolFiles::ToolFiles() : demoEqp(asText(demo::demoEquipmentFile())), demoTxt(demo::demoNameList()) {
    writeFile(eqp, demoEqp);
    writeFile(txt, demoTxt);
}

}  // namespace varnel::test
