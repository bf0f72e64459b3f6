#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Invented demonstration data for the editor: an equipment file and its name list that show
// every class, every nationality and every switch pattern the editor knows.
namespace varnel::demo {

// The whole equipment file: the unit counter, then one 73-byte record per demo unit.
std::vector<std::uint8_t> demoEquipmentFile();

// The name list that goes with it: one name per record, each line ended by CR LF.
std::string demoNameList();

}  // namespace varnel::demo
