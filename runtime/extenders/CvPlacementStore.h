// CvPlacementStore.h - the registry-INI access of TCvPlacement: the key
// RootKey below HKEY_CURRENT_USER, its sub-keys as sections, integer values.
// Kept in a unit of its own so that the placement unit does not see the
// registry's declarations next to the window manager's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TRegIniFile;
}

namespace corvane {

class TCvPlacementStore {
public:
    // Opens (creating when missing) the key RootKey.
    explicit TCvPlacementStore(const std::string& RootKey);
    ~TCvPlacementStore();
    TCvPlacementStore(const TCvPlacementStore&) = delete;
    TCvPlacementStore& operator=(const TCvPlacementStore&) = delete;

    bool SectionExists(const std::string& Section);
    // Default when the value is missing.
    int32_t ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default);
    void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);

private:
    std::unique_ptr<vcl::TRegIniFile> FIni;
};

}  // namespace corvane
