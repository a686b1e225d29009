// Menu keys, their action words and the texts of the menus.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace dec {

struct ActionKey {
    char key;
    uint32_t word;
    bool asks_time_stamp;  // the ACC time-stamp choice follows
    const char* menu;      // its lines of the main menu; null for a key the menu does not show
    const char* help;      // one line of --help
};

// A choice of the ACC time-stamp menu (-a).
struct AccTimeChoice {
    char key;
    uint32_t bits;
    const char* menu;  // its lines of the time-stamp menu
    const char* help;  // one line of --help
};

// Every menu key, in the order of the main menu (the keys it does not show last).
std::span<const ActionKey> action_keys();
// Every time-stamp choice, in the order of its menu.
std::span<const AccTimeChoice> acc_time_choices();

// The action word of a menu key or action character; nothing for an invalid one.
std::optional<ActionKey> find_action_key(char key);

// The ACC time-stamp bits of a choice ('a' or 0: none, 'b'..'e'); nothing if invalid.
std::optional<uint32_t> acc_time_stamp_bits(char choice);

// The main menu and the time-stamp menu, made from the tables above.
std::string main_menu();
std::string acc_time_menu();

extern const char* const kStarLine;
extern const char* const kSynopsis;

}  // namespace dec
