// CvCGiValuesList.h - TCvCGIValuesList: the key=value lines of one section
// of a CGI request profile, as TCvCGIConnect keeps them; TCvCGIValuesGrid:
// a two-column grid that shows such pairs.
//
// Each line is "key=value"; the key is everything before the first '='.
#pragma once

#include <string>

#include "Grids.h"
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

// A grid of keys (column 0) and values (column 1).  After ShowPairs row 0
// is a heading row ("Key", "Value").  Made with two columns; the other
// properties are those of the string grid.
class TCvCGIValuesGrid : public vcl::TStringGrid {
    VCL_DECLARE_CLASS(TCvCGIValuesGrid)
public:
    explicit TCvCGIValuesGrid(vcl::TComponent* AOwner);

    // Puts the pair into the last row; when column 0 of that row holds a
    // key already, a row is added first.
    void AddPair(const std::string& Key, const std::string& Value);
    // Shows every line of List below the heading row: its key and the value
    // the list's name lookup gives for that key (so of two lines with the
    // same key both rows show the first one's value).  The grid gets
    // List->Count() + 1 rows; cells of earlier pairs in other columns are
    // cleared.  EInvalidOperation for a null list.
    void ShowPairs(const TCvCGIValuesList* List);
};

}  // namespace corvane
