#pragma once
// The program's persistent settings live in a registry-like store of keys
// and typed values. Outside Windows it is one INI file per user (Qt's user
// configuration location, or the file named by KEL_REMOTE_REGISTRY), in the
// layout QSettings writes (settings/ini_file.h); its comments and unknown
// lines survive every write. Key paths keep their backslashes
// ("Software\Brenna\Kel Remote\Settings"); each becomes a settings group.
//
// Every operation reads the file once, does its one thing, writes the file
// when it changed a value, returns 0 on success and -1 on any failure, and
// never touches the destination on failure, so a caller that passes its
// variable keeps its built-in default. A store that cannot be taken
// (unreadable, damaged, not a regular file, larger than 1 MB) reads as empty
// and refuses every write, so it is never overwritten with less than it
// held; standard error says so once. Thread-safe; meant for the GUI thread.

#include <cstdint>
#include <string>

struct RegistryRoot {
    const char* name;
};
inline constexpr RegistryRoot HKEY_LOCAL_MACHINE{"HKEY_LOCAL_MACHINE"};

// Value types, with the numbers the data keep in an exported store.
enum RegistryType : uint32_t { REG_SZ = 1, REG_BINARY = 3, REG_DWORD = 4 };

// Reads a value whose data are at most 4 bytes as a little-endian number,
// whatever its stored type (shorter data are zero-extended).
int RegReadDword(RegistryRoot root, const std::string& path, const std::string& name,
                 uint32_t& destination);

// Stores a REG_DWORD; creates the key and any missing keys above it.
int RegWriteDword(RegistryRoot root, const std::string& path, const std::string& name,
                  uint32_t value);

// Reads a value's data as text up to the first NUL or the end of the data.
int RegReadString(RegistryRoot root, const std::string& path, const std::string& name,
                  std::string& destination);

// Stores a REG_SZ in an existing key; fails when the key does not exist.
int RegWriteString(RegistryRoot root, const std::string& path, const std::string& name,
                   const std::string& text);

// Stores raw data with any type (for tools and tests that prepare a store
// the way other software leaves it). Creates the key like RegWriteDword.
int RegWriteValue(RegistryRoot root, const std::string& path, const std::string& name,
                  RegistryType type, const std::string& data);

// Name of the key's value number index (0, 1, ...); -1 when the key does not
// exist or has fewer values.
int RegEnumValue(RegistryRoot root, const std::string& path, int index, std::string& name);

// Path of the file that holds the store outside Windows.
std::string RegistryFilePath();
