#ifndef TESTS_TEST_PROFILES_H
#define TESTS_TEST_PROFILES_H

#include <stdint.h>

#include <string>
#include <vector>

// ICC profiles made with lcms, for pictures made at run time.
std::vector<uint8_t> adobe_rgb_profile();  // Adobe RGB (1998)
std::vector<uint8_t> display_p3_profile(); // Display P3 (D65, sRGB's curve)
std::vector<uint8_t> srgb_profile();
std::vector<uint8_t> grey_profile(); // gamma 1.8

// Writes |profile| to |path|; whether it could.
bool write_profile(const std::string& path, const std::vector<uint8_t>& profile);

#endif
