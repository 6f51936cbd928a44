// TCvCGIValuesList: keys, last-match key lookup and strict integers.
#include <gtest/gtest.h>

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
