#pragma once

#include <string>
#include <string_view>

// SHA-256 (FIPS 180-4): a patch names the files it was made from by their digests, so that
// applying it can tell the very base from a file that only looks like it.
namespace varnel::tool {

// The digest of bytes as 64 hex digits in small letters.
std::string sha256Hex(std::string_view bytes);

}  // namespace varnel::tool
