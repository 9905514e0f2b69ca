// The shapes a value of the protocol may take, as the value reader reads
// them, and the sentence for each way a value is malformed.
//
// A program that writes a request wrong is told exactly what the protocol
// wanted there (a cell cannot hold an array; {"int": n} takes a whole number
// from -32768 to 32767): the sentences are part of the protocol, and test
// suites match them.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane::protocol {

inline constexpr std::string_view kRequestShape =
    "a request is a JSON object, such as {\"get\": \"tt\"}";
inline constexpr std::string_view kValueShape =
    "a value is null, a number, a string, a boolean or one of the objects "
    "{\"int\"}, {\"long\"}, {\"error\"}, {\"ref\"}, {\"array\"}";
inline constexpr std::string_view kOneKey =
    "a value object has exactly one key: int, long, error, ref or array";
inline constexpr std::string_view kCellShape =
    "a cell holds null, a number, a string, a boolean or an {\"error\": ...} object";
inline constexpr std::string_view kCellArray = "a cell cannot hold an array";
inline constexpr std::string_view kRowsShape =
    "cells are given as a non-empty array of rows, such as [[1, 2], [3, 4]]";
inline constexpr std::string_view kRowShape =
    "each row of cells is a non-empty array, such as [1, 2]";
inline constexpr std::string_view kRowLength = "every row of cells must have the same length";
inline constexpr std::string_view kIntRange =
    "{\"int\": n} takes a whole number from -32768 to 32767";
inline constexpr std::string_view kLongRange =
    "{\"long\": n} takes a whole number from -2147483648 to 2147483647";
inline constexpr std::string_view kNumberRange =
    "a number out of range (a Double holds at most about ±1.8e308)";
// nlohmann::json's out_of_range error for a number that overflows a double.
inline constexpr int kNumberOverflow = 406;
inline constexpr std::string_view kErrorName =
    "{\"error\": name} takes one of #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!, #N/A";

// What the next value read stands for.
enum class Want { Request, Name, Args, Value, Cell, RefInner, Rows, Row, Int, Long, ErrorName };

// A key of an object, and what the value after it stands for.
struct KeyedValue {
  std::string_view key;
  Want want;
};

// A value object's one key says how its value encodes the variant.
inline constexpr KeyedValue kValueKeys[] = {{"int", Want::Int},
                                            {"long", Want::Long},
                                            {"error", Want::ErrorName},
                                            {"ref", Want::RefInner},
                                            {"array", Want::Rows}};

// The key among keys named k, or nullptr.
template <std::size_t N>
const KeyedValue* keyed(const KeyedValue (&keys)[N], std::string_view k) {
  for (const KeyedValue& e : keys)
    if (e.key == k) return &e;
  return nullptr;
}

}  // namespace korvane::protocol
