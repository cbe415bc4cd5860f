// The device registry: typed values with exact byte contents, kept under <root>/.system/registry,
// one file a value, written atomically so that processes can share it safely. Key and value names
// are compared without regard to case, as on the handheld: "SOFTWARE\\X" and "Software\\x" are
// one key, kept under the spelling that created it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hv::dev {

enum class RegHive { LocalMachine, CurrentUser };
enum class RegType : uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    MultiSz = 7
};

struct RegValue {
    RegType type = RegType::None;
    std::vector<uint8_t> data;
};

// RegCreateKeyExW: creates every missing key on the path.
bool regCreateKey(RegHive hive, std::u16string_view key);
bool regKeyExists(RegHive hive, std::u16string_view key);
// RegSetValueExW: the key must exist.
bool regSetValue(RegHive hive, std::u16string_view key, std::u16string_view name, RegType type,
                 const void* data, size_t n);
std::optional<RegValue> regQueryValue(RegHive hive, std::u16string_view key,
                                      std::u16string_view name);
bool regDeleteValue(RegHive hive, std::u16string_view key, std::u16string_view name);
// With its values and subkeys; with pruneEmptyParents also the keys above it that are left
// without values or subkeys.
bool regDeleteKey(RegHive hive, std::u16string_view key, bool pruneEmptyParents = false);

} // namespace hv::dev
