// CvCGiValuesList.h - TCvCGIValuesList: the key=value lines of one section
// of a CGI request profile, as TCvCGIConnect keeps them.
//
// Each line is "key=value"; the key is everything before the first '='.
#pragma once

#include <string>

#include "Lists.h"

namespace corvane {

class TCvCGIValuesList : public vcl::TStringList {
    VCL_DECLARE_CLASS(TCvCGIValuesList)
public:
    TCvCGIValuesList() = default;

    // The key of line Index: the text before its first '=' (empty when the
    // line holds none); empty for an index outside 0 .. Count()-1.
    std::string GetKey(vcl::Integer Index) const;
    // The index of the LAST line whose key equals Key, compared without
    // regard to case (in upper case, as the profile reader folds names);
    // -1 when no line has that key.
    vcl::Integer IndexOfKey(const std::string& Key) const;
    // The value of the first line named Name (the lookup of Values),
    // converted strictly to an integer: EConvertError when it is missing or
    // not a number.
    vcl::Integer GetInt(const std::string& Name) const;
};

}  // namespace corvane
