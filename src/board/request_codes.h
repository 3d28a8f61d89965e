#pragma once

#include <cstdint>

namespace kteval::request {

// Vendor request codes of the evaluation board's firmware.
//
// | code     | name         | value          | index           | dir | len | use                       |
// |----------|--------------|----------------|-----------------|-----|-----|---------------------------|
// | 224 (E0) | Start        | 0              | 0               | 0   | 0   | after every firmware load |
// | 221 (DD) | WordTransfer | word bits 15-0 | word bits 23-16 | 0   | 0   | clock a 24-bit word out   |
// | 221 (DD) | WordTransfer | 0              | 0               | 1   | 3   | read: bytes 0,1 = value   |
// | 222 (DE) | LdacPulse    | 0              | 0               | 0   | 0   | pulse LDAC once           |
// | 218 (DA) | ResetHigh    | 0              | 0               | 0   | 0   | RESET line high           |
// | 219 (DB) | ResetLow     | 0              | 0               | 0   | 0   | RESET line low            |
// | 220 (DC) | ClrHigh      | 0              | 0               | 0   | 0   | CLR line high             |
// | 223 (DF) | ClrLow       | 0              | 0               | 0   | 0   | CLR line low              |
// | 226 (E2) | LdacHigh     | 0              | 0               | 0   | 0   | LDAC line high            |
// | 227 (E3) | LdacLow      | 0              | 0               | 0   | 0   | LDAC line low             |
//
// The level codes follow no arithmetic pattern: 221 and 222 are taken by the
// word transfer and the LDAC pulse.
inline constexpr int16_t Start = 224;
inline constexpr int16_t WordTransfer = 221;
inline constexpr int16_t LdacPulse = 222;
inline constexpr int16_t ResetHigh = 218;
inline constexpr int16_t ResetLow = 219;
inline constexpr int16_t ClrHigh = 220;
inline constexpr int16_t ClrLow = 223;
inline constexpr int16_t LdacHigh = 226;
inline constexpr int16_t LdacLow = 227;

inline constexpr int16_t DirectionOut = 0;
inline constexpr int16_t DirectionIn = 1;

}  // namespace kteval::request
