// Reading the protocol's JSON into variants: one value (decode, in
// value_codec.h), or a whole request object, whose keys the request grammar
// (request.h) rules on as they come.
//
// A line is read in one pass of parser events straight into the variants it
// carries, never through a document tree: the tree costs some 16 bytes a
// value and a vector per array before a variant is built, which let one 32 MiB
// line of empty cells take well over a gigabyte. Here each cell is one
// variant, written into one vector per array of rows that is reserved once at
// its exact size (json_scan.h), and a call's arguments stop at Excel's own
// limit.
#pragma once

#include <string>
#include <string_view>

#include "cli/request.h"

namespace korvane::protocol {

// Reads a request line into out: a JSON object whose keys the request
// grammar takes, with the values they carry. Whether those fit the verb is
// the grammar's to say (read_request). False with a sentence in error.
bool read_request_object(std::string_view line, Request& out, std::string& error);

}  // namespace korvane::protocol
