// TCvCGIValuesList: keys, last-match key lookup and strict integers;
// TCvCGIValuesGrid: pairs added one by one and whole lists shown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CvCGiValuesList.h"
#include "Exceptions.h"

using namespace corvane;

namespace {

void Fill(TCvCGIValuesList& List, const std::vector<std::string>& Lines) {
    List.Clear();
    for (const std::string& line : Lines) List.Add(line);
}

}  // namespace

TEST(CvCGIValuesList, GetKeyIsTheTextBeforeTheFirstEquals) {
    TCvCGIValuesList list;
    Fill(list, {"a=1", "=x", "no separator", "url=http://x/?a=b", "Content Type=text/html"});
    const struct {
        int Index;
        const char* Key;
    } cases[] = {{0, "a"}, {1, ""}, {2, ""}, {3, "url"}, {4, "Content Type"}, {5, ""}, {-1, ""}, {-100, ""}};
    for (const auto& c : cases) EXPECT_EQ(list.GetKey(c.Index), c.Key) << c.Index;
}

TEST(CvCGIValuesList, IndexOfKeyFindsTheLastMatchInAnyCase) {
    TCvCGIValuesList list;
    Fill(list, {"NAME=1", "a=1", "A=2", "b"});
    EXPECT_EQ(list.IndexOfKey("Name"), 0);
    EXPECT_EQ(list.IndexOfKey("a"), 2);
    EXPECT_EQ(list.IndexOfKey("missing"), -1);
    EXPECT_EQ(list.IndexOfKey("b"), -1);  // a line without '=' has no key "b"
    EXPECT_EQ(list.IndexOfKey(""), 3);    // ... but the empty one
    TCvCGIValuesList empty;
    EXPECT_EQ(empty.IndexOfKey(""), -1);
}

TEST(CvCGIValuesList, GetIntConvertsTheFirstValueStrictly) {
    TCvCGIValuesList list;
    Fill(list, {"Port=8080", "port=1", "Neg=-12", "Hex=$1F", "Text=12a", "Empty="});
    EXPECT_EQ(list.GetInt("PORT"), 8080);
    EXPECT_EQ(list.GetInt("Neg"), -12);
    EXPECT_EQ(list.GetInt("Hex"), 31);
    EXPECT_THROW(list.GetInt("Text"), vcl::EConvertError);
    EXPECT_THROW(list.GetInt("Empty"), vcl::EConvertError);
    EXPECT_THROW(list.GetInt("Missing"), vcl::EConvertError);
}

TEST(CvCGIValuesList, IsAStringListToTheClassSystem) {
    TCvCGIValuesList list;
    EXPECT_EQ(list.ClassName(), "TCvCGIValuesList");
    EXPECT_TRUE(list.InheritsFrom(vcl::TStringList::StaticClass()));
}

namespace {

// The rows of a grid's first two columns as "key|value".
std::vector<std::string> GridRows(const TCvCGIValuesGrid& Grid) {
    std::vector<std::string> rows;
    for (int32_t r = 0; r < Grid.RowCount(); ++r) rows.push_back(Grid.Cells(0, r) + "|" + Grid.Cells(1, r));
    return rows;
}

}  // namespace

TEST(CvCGIValuesGrid, ShowPairsFillsRowsBelowTheHeading) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    EXPECT_EQ(grid->ColCount(), 2);
    TCvCGIValuesList list;
    Fill(list, {"name=Anna", "city=K\xC3\xB6ln", "empty=", "no separator", "url=http://x/?a=b"});
    grid->ShowPairs(&list);
    // A line without '=' has the empty key, and the lookup of the empty key
    // finds nothing.
    EXPECT_EQ(GridRows(*grid), (std::vector<std::string>{"Key|Value", "name|Anna", "city|K\xC3\xB6ln", "empty|",
                                                          "|", "url|http://x/?a=b"}));
    EXPECT_EQ(grid->FixedRows(), 1);
}

TEST(CvCGIValuesGrid, ShowPairsOfEqualKeysShowsTheFirstValueTwice) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    TCvCGIValuesList list;
    Fill(list, {"a=1", "A=2"});
    grid->ShowPairs(&list);
    EXPECT_EQ(GridRows(*grid), (std::vector<std::string>{"Key|Value", "a|1", "A|1"}));
}

TEST(CvCGIValuesGrid, ShowPairsOfAnEmptyListLeavesTheHeadingAlone) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    TCvCGIValuesList list;
    Fill(list, {"a=1", "b=2", "c=3"});
    grid->ShowPairs(&list);
    list.Clear();
    grid->ShowPairs(&list);
    EXPECT_EQ(GridRows(*grid), (std::vector<std::string>{"Key|Value"}));
    // Pairs shown again get their fixed heading back and none of the old
    // rows comes back.
    Fill(list, {"x=9"});
    grid->ShowPairs(&list);
    EXPECT_EQ(GridRows(*grid), (std::vector<std::string>{"Key|Value", "x|9"}));
    EXPECT_EQ(grid->FixedRows(), 1);
    grid->AddPair("y", "8");
    EXPECT_EQ(GridRows(*grid), (std::vector<std::string>{"Key|Value", "x|9", "y|8"}));
}

TEST(CvCGIValuesGrid, ShowPairsClearsCellsBesideThePairs) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    grid->SetColCount(3);
    grid->SetCells(2, 1, "old note");
    TCvCGIValuesList list;
    Fill(list, {"a=1"});
    grid->ShowPairs(&list);
    EXPECT_EQ(grid->Cells(2, 1), "");
}

TEST(CvCGIValuesGrid, ShowPairsRefusesANullList) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    EXPECT_THROW(grid->ShowPairs(nullptr), vcl::EInvalidOperation);
    EXPECT_EQ(grid->RowCount(), 5);
}

TEST(CvCGIValuesGrid, AddPairFillsAnEmptyLastRowBeforeAddingOne) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    const int32_t rows = grid->RowCount();
    grid->AddPair("first", "1");
    EXPECT_EQ(grid->RowCount(), rows);
    EXPECT_EQ(grid->Cells(0, rows - 1), "first");
    EXPECT_EQ(grid->Cells(1, rows - 1), "1");
    grid->AddPair("second", "");
    EXPECT_EQ(grid->RowCount(), rows + 1);
    EXPECT_EQ(grid->Cells(0, rows), "second");
    EXPECT_EQ(grid->Cells(0, rows - 1), "first");
    // Only the key column decides: a last row with a value but no key is
    // filled, not followed by a new row.
    grid->SetRowCount(rows + 2);
    grid->SetCells(1, rows + 1, "stray value");
    grid->AddPair("third", "3");
    EXPECT_EQ(grid->RowCount(), rows + 2);
    EXPECT_EQ(grid->Cells(1, rows + 1), "3");
}

TEST(CvCGIValuesGrid, IsAStringGridToTheClassSystem) {
    auto grid = std::make_unique<TCvCGIValuesGrid>(nullptr);
    EXPECT_EQ(grid->ClassName(), "TCvCGIValuesGrid");
    EXPECT_TRUE(grid->InheritsFrom(vcl::TStringGrid::StaticClass()));
}
