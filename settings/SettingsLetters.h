// SPDX-License-Identifier: MIT
#pragma once

// The profile's letter encoding of a byte record (no Qt, so it can be fuzzed
// on its own): per byte 'A' + low four bits, then 'A' + high four bits, so
// byte 0x86 is "GI".

#include <cstddef>
#include <string>
#include <string_view>

std::string EncodeLetters(const unsigned char* bytes, std::size_t size);

// Fills bytes[0..size) from exactly 2 × size letters 'A'-'P'. False for any
// other length or letter; bytes may then hold part of the record.
bool DecodeLetters(std::string_view letters, unsigned char* bytes, std::size_t size);
