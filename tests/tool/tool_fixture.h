#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace varnel::test {

struct ToolResult {
    int status = -1;
    std::string out, err;
};

// varnel-tool with these arguments, run in this process.
ToolResult runTool(const std::vector<std::string>& arguments);
// The built program, run with these arguments; its input is the file input, if one is given.
ToolResult runProgram(const std::vector<std::string>& arguments, const std::string& input = "");

std::string contentOf(const std::string& path);

// An equipment file with byte offset of unit's record set to value.
std::string withByte(std::string file, std::int64_t unit, int offset, int value);
// A name list (lines ended by CR LF) with line number line (from 1) holding name.
std::string withLine(const std::string& list, int line, const std::string& name);

// A folder holding the demo equipment file and its name list.
class ToolFiles : public ::testing::Test {
  protected:
    ToolFiles();

    TempFolder folder;
    const std::string eqp = folder.file("Equip97.eqp");
    const std::string txt = folder.file("Equip97.txt");
    const std::string csv = folder.file("units.csv");
    const std::string demoEqp, demoTxt;  // the demo files' bytes
};

}  // namespace varnel::test
