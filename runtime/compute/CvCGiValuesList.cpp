#include "CvCGiValuesList.h"

#include "SysUtils.h"

namespace corvane {

using namespace vcl;

VCL_IMPLEMENT_CLASS(TCvCGIValuesList, vcl::TStringList)

std::string TCvCGIValuesList::GetKey(Integer Index) const {
    if (Index < 0 || Index >= Count()) return {};
    const std::string line = Strings(Index);
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

Integer TCvCGIValuesList::IndexOfKey(const std::string& Key) const {
    const std::string wanted = AnsiUpperCase(Key);
    for (Integer i = Count() - 1; i >= 0; --i)
        if (AnsiUpperCase(GetKey(i)) == wanted) return i;
    return -1;
}

Integer TCvCGIValuesList::GetInt(const std::string& Name) const { return StrToInt(Values(Name)); }

}  // namespace corvane
