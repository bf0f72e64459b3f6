#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The fixed tables that turn three kinds of record bytes into what the window shows and back: the
// class code, the four nationality bytes and the two switch bytes. Nothing extends them at run
// time. Every lookup scans its table in the order given, and names compare exactly: case, blanks
// and all, so "tank" or "Tank " names no class.
namespace varnel::data {

struct SwitchPair {
    std::uint8_t sw1 = 0, sw2 = 0;
    friend bool operator==(const SwitchPair&, const SwitchPair&) = default;
};

// The five switch check boxes, ticked or clear.
struct SwitchBoxes {
    bool ship = false, carrier = false, fort = false, air = false, sea = false;
    friend bool operator==(const SwitchBoxes&, const SwitchBoxes&) = default;
};

// nation1 .. nation4, in record order.
using NationBytes = std::array<std::uint8_t, 4>;

struct ClassEntry {
    std::uint8_t code;
    const char* name;
    // What Save writes for the class when none of Ship, Carrier, Fort and Air is ticked; empty
    // when the class leaves the pair as the boxes made it.
    std::optional<SwitchPair> defaultSwitches;
};

// A nationality is a single bit in one of the four bytes; the other three are 0.
struct NationEntry {
    const char* name;
    NationBytes bytes;
};

// Codes 1..21 in code order.
std::span<const ClassEntry> classTable();
// The 14 known nationalities, in the order both directions test them.
std::span<const NationEntry> nationalityTable();

// nullopt outside 1..21: the window then keeps showing what it showed before.
std::optional<std::string> classNameOf(std::uint8_t code);
// Exact, case-sensitive, no trimming; 0 when no name matches.
std::uint8_t classCodeOf(std::string_view name);

// nullopt when no row matches (no bit, several bits, or an unknown bit); the window shows
// kUnknownNationality then.
std::optional<std::string> nationalityNameOf(const NationBytes& bytes);
// Exact match, else four 0 bytes ("Unknown" included).
NationBytes nationalityBytesOf(std::string_view name);

// The boxes that a stored switch pair ticks. The class tells an air transport's pattern from a
// ship's, and a sea transport's from a fort's.
SwitchBoxes switchBoxesFor(std::uint8_t sw1, std::uint8_t sw2, std::uint8_t unitClass);
// The pair that Save writes: the boxes in the order Ship, Carrier, Fort, Air, Sea (a later ticked
// box overrides an earlier one), then the default of the class named className when Ship,
// Carrier, Fort and Air are all clear. Sea takes no part in that test, so a class default
// overrides a lone Sea.
SwitchPair switchBytesFor(const SwitchBoxes& boxes, std::string_view className);

inline constexpr const char* kUnknownNationality = "Unknown";

}  // namespace varnel::data
