#include "CvCGiValuesList.h"

#include "Exceptions.h"
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

// ---------------------------------------------------------------------------
// TCvCGIValuesGrid

VCL_PUBLISHED(TCvCGIValuesGrid, vcl::TStringGrid) {}

TCvCGIValuesGrid::TCvCGIValuesGrid(TComponent* AOwner) : TStringGrid(AOwner) { SetColCount(2); }

void TCvCGIValuesGrid::AddPair(const std::string& Key, const std::string& Value) {
    if (!Cells(0, RowCount() - 1).empty()) SetRowCount(RowCount() + 1);
    const int32_t row = RowCount() - 1;
    SetCells(0, row, Key);
    SetCells(1, row, Value);
}

void TCvCGIValuesGrid::ShowPairs(const TCvCGIValuesList* List) {
    if (!List) throw EInvalidOperation("TCvCGIValuesGrid.ShowPairs: no list to show");
    const int32_t rows = List->Count() + 1;
    SetRowCount(rows);
    // A grid once reduced to the heading row lost its fixed row; the
    // heading is fixed again as soon as there are pairs below it.
    if (rows > 1 && FixedRows() < 1) SetFixedRows(1);
    SetCells(0, 0, "Key");
    SetCells(1, 0, "Value");
    for (int32_t i = 0; i < List->Count(); ++i) {
        const std::string key = List->GetKey(i);
        SetCells(0, i + 1, key);
        SetCells(1, i + 1, List->Values(key));
    }
    // Cells the grid keeps from before in columns beyond the pair would
    // otherwise show beside the new pairs.
    for (int32_t c = 2; c < ColCount(); ++c)
        for (int32_t r = 0; r < rows; ++r) SetCells(c, r, "");
}

}  // namespace corvane
