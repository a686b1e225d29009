// Menu keys, their action words and the texts of the menus.
#pragma once

#include <cstdint>
#include <optional>

namespace dec {

struct ActionKey {
    char key;
    uint32_t word;
    bool asks_time_stamp;  // the ACC time-stamp choice follows
};

// The action word of a menu key or action character; nothing for an invalid one.
std::optional<ActionKey> find_action_key(char key);

// The ACC time-stamp bits of a choice ('a' or 0: none, 'b'..'e'); nothing if invalid.
std::optional<uint32_t> acc_time_stamp_bits(char choice);

extern const char* const kStarLine;
extern const char* const kMainMenu;
extern const char* const kAccTimeMenu;
extern const char* const kSynopsis;

}  // namespace dec
