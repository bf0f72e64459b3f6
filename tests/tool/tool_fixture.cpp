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

ToolResult runProgram(const std::vector<std::string>& arguments) {
    const TempFolder outputs;
    std::string command = "'" VARNEL_TOOL_PROGRAM "'";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";  // the tests' arguments hold no quote
    }
    command += " >'" + outputs.file("out") + "' 2>'" + outputs.file("err") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contentOf(outputs.file("out")),
            contentOf(outputs.file("err"))};
}

std::string contentOf(const std::string& path) {
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
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
