#include "commands.h"

namespace varnel::commands {

void readUnit(Editor& editor) { (void)editor; }

}  // namespace varnel::commands
