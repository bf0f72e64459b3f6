#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace varnel::tool {

// The program varnel-tool: arguments are those after the program's name. Results go to out,
// errors to err, one message per line. Returns the exit status: 0 done, 1 findings or
// differences, 2 an error, with nothing written.
int runTool(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace varnel::tool
