#include "CvPlacementStore.h"

#include "Registry.h"

namespace corvane {

TCvPlacementStore::TCvPlacementStore(const std::string& RootKey)
    : FIni(std::make_unique<vcl::TRegIniFile>(RootKey)) {}

TCvPlacementStore::~TCvPlacementStore() = default;

bool TCvPlacementStore::SectionExists(const std::string& Section) { return FIni->KeyExists(Section); }

int32_t TCvPlacementStore::ReadInteger(const std::string& Section, const std::string& Ident, int32_t Default) {
    return FIni->ReadInteger(Section, Ident, Default);
}

void TCvPlacementStore::WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value) {
    FIni->WriteInteger(Section, Ident, Value);
}

}  // namespace corvane
