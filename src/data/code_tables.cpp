#include "code_tables.h"

namespace varnel::data {
namespace {

// The stored switch patterns. One pattern serves two boxes each: which box it ticks on reading
// depends on the class (see switchBoxesFor).
constexpr SwitchPair kShipOrAirTransport{193, 1};
constexpr SwitchPair kCarrier{241, 1};
constexpr SwitchPair kFortOrSeaTransport{129, 1};
constexpr SwitchPair kLand{1, 0};
constexpr SwitchPair kGroundOrAirDefense{49, 0};
constexpr SwitchPair kBomber{65, 0};

constexpr std::uint8_t kAirTransportCode = 13;
constexpr std::uint8_t kSeaTransportCode = 18;

// Codes 5, 12 and 14 have no real class behind them; their placeholder names keep them visible.
constexpr ClassEntry kClasses[] = {
    {1, "Infantry", kLand},
    {2, "Tank", kLand},
    {3, "Recon", kLand},
    {4, "Anti-tank", kLand},
    {5, "Unknown 5", std::nullopt},
    {6, "Fortification", std::nullopt},
    {7, "Ground Transport", kGroundOrAirDefense},
    {8, "Artillery", kLand},
    {9, "Air Defense", kGroundOrAirDefense},
    {10, "Fighter", kLand},
    {11, "Bomber", kBomber},
    {12, "Unknown 12", std::nullopt},
    {kAirTransportCode, "Air Transport", kShipOrAirTransport},
    {14, "Unknown 14", std::nullopt},
    {15, "Destroyer", std::nullopt},
    {16, "Battleship", std::nullopt},
    {17, "Carrier", std::nullopt},
    {kSeaTransportCode, "Sea Transport", kFortOrSeaTransport},
    {19, "BattleCruiser", std::nullopt},
    {20, "Cruiser", std::nullopt},
    {21, "Light Cruiser", std::nullopt},
};

constexpr NationEntry kNations[] = {
    {"Poland", {0, 0, 128, 0}},     {"Germany", {0, 128, 0, 0}},      {"USA", {0, 32, 0, 0}},
    {"Finland", {2, 0, 0, 0}},      {"Russia", {0, 0, 8, 0}},         {"France", {1, 0, 0, 0}},
    {"England", {0, 0, 1, 0}},      {"Hungary", {0, 16, 0, 0}},       {"Italy", {0, 4, 0, 0}},
    {"Nationalist", {0, 0, 0, 64}}, {"Norway", {0, 1, 0, 0}},         {"Republican", {0, 0, 0, 32}},
    {"Romania", {0, 0, 32, 0}},     {"Czechoslovakia", {8, 0, 0, 0}},
};

// Code i + 1 must sit at index i, or classNameOf would name the wrong class.
constexpr bool classesInCodeOrder() {
    for (std::size_t i = 0; i < std::size(kClasses); ++i) {
        if (kClasses[i].code != i + 1) {
            return false;
        }
    }
    return true;
}
static_assert(std::size(kClasses) == 21 && classesInCodeOrder());
static_assert(std::size(kNations) == 14);

}  // namespace

std::span<const ClassEntry> classTable() {
    return kClasses;
}

std::span<const NationEntry> nationalityTable() {
    return kNations;
}

std::optional<std::string> classNameOf(std::uint8_t code) {
    if (code < 1 || code > std::size(kClasses)) {
        return std::nullopt;
    }
    return kClasses[code - 1].name;
}

std::uint8_t classCodeOf(std::string_view name) {
    for (const ClassEntry& entry : kClasses) {
        if (name == entry.name) {
            return entry.code;
        }
    }
    return 0;
}

std::optional<std::string> nationalityNameOf(const NationBytes& bytes) {
    for (const NationEntry& entry : kNations) {
        if (bytes == entry.bytes) {
            return entry.name;
        }
    }
    return std::nullopt;
}

NationBytes nationalityBytesOf(std::string_view name) {
    for (const NationEntry& entry : kNations) {
        if (name == entry.name) {
            return entry.bytes;
        }
    }
    return {0, 0, 0, 0};
}

SwitchBoxes switchBoxesFor(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t unitClass) {
    const SwitchPair pair{sw1, sw2};
    SwitchBoxes boxes;
    boxes.ship = pair == kShipOrAirTransport && unitClass != kAirTransportCode;
    boxes.air = pair == kShipOrAirTransport && unitClass == kAirTransportCode;
    // A carrier is a ship as well, so its pattern ticks both boxes.
    if (pair == kCarrier) {
        boxes.carrier = true;
        boxes.ship = true;
    }
    boxes.fort = pair == kFortOrSeaTransport && unitClass != kSeaTransportCode;
    boxes.sea = pair == kFortOrSeaTransport && unitClass == kSeaTransportCode;
    return boxes;
}

SwitchPair switchBytesFor(const SwitchBoxes& boxes, std::string_view className) {
    SwitchPair pair{0, 0};
    if (boxes.ship) {
        pair = kShipOrAirTransport;
    }
    if (boxes.carrier) {
        pair = kCarrier;
    }
    if (boxes.fort) {
        pair = kFortOrSeaTransport;
    }
    if (boxes.air) {
        pair = kShipOrAirTransport;
    }
    if (boxes.sea) {
        pair = kFortOrSeaTransport;
    }
    if (!boxes.ship && !boxes.carrier && !boxes.fort && !boxes.air) {
        const std::uint8_t code = classCodeOf(className);
        if (code != 0 && kClasses[code - 1].defaultSwitches) {
            pair = *kClasses[code - 1].defaultSwitches;
        }
    }
    return pair;
}

}  // namespace varnel::data
