// Registry values made and read through the Win32 API itself, so they work on both builds;
// deleting a fixture's keys is registry_fixture.h's DeleteKeyTreeBottomUp.
#pragma once

#include <windows.h>

#include <string>

// Creates `path` under `root` (every missing key on the way) and sets a REG_SZ value on it.
bool SetStringA(HKEY root, const std::string& path, const char* name, const std::string& value);
// Sets a value of any type with the exact bytes given, creating the key when missing.
bool SetValueA(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes);
// Creates `path` under `root` without values.
bool CreateKeyA(HKEY root, const std::string& path);
// The bytes and type of a value; false when it cannot be read.
bool ReadValueA(HKEY root, const std::string& path, const char* name, std::string* bytes, DWORD* type = nullptr);
