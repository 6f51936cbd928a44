// Tests of TList, TStrings and TStringList (Lists.h).
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "Lists.h"
#include "Streams.h"

using namespace vcl;

namespace {

using Lines = std::vector<std::string>;

Lines Items(const TStrings& S) {
    Lines r;
    for (Integer i = 0; i < S.Count(); ++i) r.push_back(S.Strings(i));
    return r;
}

void Fill(TStrings& S, const Lines& L) {
    S.Clear();
    for (const std::string& s : L) S.Add(s);
}

std::vector<void*> Pointers(const TList& L) {
    std::vector<void*> r;
    for (Integer i = 0; i < L.Count(); ++i) r.push_back(L.Items(i));
    return r;
}

// Runs Action and expects Exception with exactly Message.
template <class E>
void ExpectError(const std::function<void()>& Action, const std::string& Message) {
    try {
        Action();
        ADD_FAILURE() << "no exception, expected: " << Message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), Message);
    }
}

// Counts live instances, to see what an owning list deletes.
class TTracked : public TObject {
public:
    explicit TTracked(int& Live) : FLive(Live) { ++FLive; }
    ~TTracked() override { --FLive; }

private:
    int& FLive;
};

}  // namespace

// ------------------------------------------------------------------ TList

class TListTest : public ::testing::Test {
protected:
    int V[6] = {0, 1, 2, 3, 4, 5};
    void* P(int i) { return &V[i]; }
};

TEST_F(TListTest, AddInsertDeleteAndSearch) {
    TList l;
    EXPECT_EQ(l.Add(P(1)), 0);
    EXPECT_EQ(l.Add(P(3)), 1);
    l.Insert(0, P(0));
    l.Insert(2, P(2));
    l.Insert(4, P(4));  // at Count: appends
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(0), P(1), P(2), P(3), P(4)}));
    EXPECT_EQ(l.IndexOf(P(3)), 3);
    EXPECT_EQ(l.IndexOf(P(5)), -1);
    EXPECT_EQ(l.First(), P(0));
    EXPECT_EQ(l.Last(), P(4));

    l.Delete(1);
    EXPECT_EQ(l.Remove(P(3)), 2);
    EXPECT_EQ(l.Remove(P(3)), -1);
    EXPECT_EQ(l.Extract(P(0)), P(0));
    EXPECT_EQ(l.Extract(P(5)), nullptr);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(2), P(4)}));

    l.SetItems(0, P(5));
    EXPECT_EQ(l.Items(0), P(5));
    l.Add(P(1));
    l.Exchange(0, 2);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(1), P(4), P(5)}));
    l.Move(0, 2);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(4), P(5), P(1)}));
    l.Move(2, 0);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(1), P(4), P(5)}));
    l.Move(1, 1);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(1), P(4), P(5)}));
    EXPECT_EQ(l.ClassName(), "TList");
}

TEST_F(TListTest, BadIndexesRaiseAndChangeNothing) {
    const std::pair<std::function<void(TList&)>, const char*> cases[] = {
        {[](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
        {[](TList& l) { l.Items(3); }, "List index out of bounds (3)"},
        {[this](TList& l) { l.SetItems(3, P(5)); }, "List index out of bounds (3)"},
        {[this](TList& l) { l.Insert(4, P(5)); }, "List index out of bounds (4)"},
        {[this](TList& l) { l.Insert(-1, P(5)); }, "List index out of bounds (-1)"},
        {[](TList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        {[](TList& l) { l.Exchange(0, 3); }, "List index out of bounds (3)"},
        {[](TList& l) { l.Exchange(-2, 0); }, "List index out of bounds (-2)"},
        {[](TList& l) { l.Move(3, 0); }, "List index out of bounds (3)"},
        {[](TList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        {[](TList& l) { l.Move(7, 7); }, "List index out of bounds (7)"},
        {[](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"},
        {[](TList& l) { l.SetCount(MaxListSize + 1); }, "List count out of bounds (134217728)"},
        {[](TList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
        {[](TList& l) { l.SetCapacity(MaxListSize + 1); }, "List capacity out of bounds (134217728)"},
    };
    for (const auto& [action, message] : cases) {
        SCOPED_TRACE(message);
        TList l;
        l.Add(P(0));
        l.Add(P(1));
        l.Add(P(2));
        ExpectError<EListError>([&] { action(l); }, message);
        EXPECT_EQ(Pointers(l), (std::vector<void*>{P(0), P(1), P(2)}));
    }
    TList empty;
    ExpectError<EListError>([&] { empty.First(); }, "List index out of bounds (0)");
    ExpectError<EListError>([&] { empty.Last(); }, "List index out of bounds (-1)");
}

TEST_F(TListTest, CountAndCapacity) {
    TList l;
    EXPECT_EQ(l.Capacity(), 0);
    l.Add(P(1));
    EXPECT_GE(l.Capacity(), 1);
    l.SetCount(4);
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(1), nullptr, nullptr, nullptr}));
    EXPECT_GE(l.Capacity(), 4);
    l.SetItems(3, P(3));
    l.SetCount(2);
    l.SetCount(4);
    EXPECT_EQ(l.Items(3), nullptr) << "items beyond a shrunk count do not come back";

    l.SetCapacity(100);
    EXPECT_EQ(l.Capacity(), 100);
    EXPECT_EQ(l.Count(), 4);
    l.SetCapacity(4);
    EXPECT_EQ(l.Capacity(), 4);
    EXPECT_EQ(l.Expand(), &l);
    EXPECT_GT(l.Capacity(), 4) << "a full list grows on Expand";
    const Integer grown = l.Capacity();
    l.Expand();
    EXPECT_EQ(l.Capacity(), grown) << "a list with room does not grow";

    for (int i = 0; i < 1000; ++i) l.Add(P(i % 6));
    EXPECT_EQ(l.Count(), 1004);
    EXPECT_GE(l.Capacity(), 1004);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Capacity(), 0);
}

TEST_F(TListTest, PackRemovesNullItems) {
    TList l;
    for (void* p : {static_cast<void*>(nullptr), P(1), static_cast<void*>(nullptr), static_cast<void*>(nullptr),
                    P(2), P(3), static_cast<void*>(nullptr)})
        l.Add(p);
    const Integer capacity = l.Capacity();
    l.Pack();
    EXPECT_EQ(Pointers(l), (std::vector<void*>{P(1), P(2), P(3)}));
    EXPECT_EQ(l.Capacity(), capacity);
    l.SetCount(5);
    EXPECT_EQ(l.Items(4), nullptr);
}

TEST_F(TListTest, SortIsStableAndSafe) {
    struct Item {
        int Key;
        int Seq;
    };
    std::vector<Item> items;
    for (int i = 0; i < 40; ++i) items.push_back({(i * 7) % 5, i});
    TList l;
    for (Item& it : items) l.Add(&it);
    l.Sort([](void* a, void* b) { return static_cast<Item*>(a)->Key - static_cast<Item*>(b)->Key; });
    for (Integer i = 1; i < l.Count(); ++i) {
        const Item* prev = static_cast<Item*>(l.Items(i - 1));
        const Item* cur = static_cast<Item*>(l.Items(i));
        ASSERT_LE(prev->Key, cur->Key);
        if (prev->Key == cur->Key) {
            EXPECT_LT(prev->Seq, cur->Seq) << "equal keys keep their order";
        }
    }

    // A comparison that contradicts itself yields some order, never harm.
    int calls = 0;
    l.Sort([&calls](void*, void*) { return (++calls % 3) - 1; });
    EXPECT_EQ(l.Count(), 40);

    // A comparison that raises leaves the list as it was.
    const std::vector<void*> before = Pointers(l);
    EXPECT_THROW(l.Sort([](void*, void*) -> int { throw EAbort(); }), EAbort);
    EXPECT_EQ(Pointers(l), before);
}

namespace {

class TRecordingList : public TList {
public:
    ~TRecordingList() override { Clear(); }
    std::vector<std::pair<void*, TListNotification>> Log;

protected:
    void Notify(void* Ptr, TListNotification Action) override { Log.emplace_back(Ptr, Action); }
};

}  // namespace

TEST_F(TListTest, NotifyReportsNonNullItems) {
    TRecordingList l;
    l.Add(P(0));
    l.Add(nullptr);
    l.Insert(0, P(1));
    l.SetItems(0, P(2));
    l.SetItems(0, P(2));  // same item: nothing happens
    l.Extract(P(0));
    l.Remove(P(2));
    l.Add(P(3));
    l.Add(P(4));
    l.SetCount(1);
    using N = std::pair<void*, TListNotification>;
    EXPECT_EQ(l.Log, (std::vector<N>{{P(0), lnAdded},
                                     {P(1), lnAdded},
                                     {P(1), lnDeleted},
                                     {P(2), lnAdded},
                                     {P(0), lnExtracted},
                                     {P(2), lnDeleted},
                                     {P(3), lnAdded},
                                     {P(4), lnAdded},
                                     {P(4), lnDeleted},
                                     {P(3), lnDeleted}}));
    EXPECT_EQ(l.Count(), 1);
    EXPECT_EQ(l.Items(0), nullptr);
}

// ------------------------------------------------------------ TStringList

TEST(TStringListTest, BadIndexesRaiseAndChangeNothing) {
    const std::pair<std::function<void(TStringList&)>, const char*> cases[] = {
        {[](TStringList& l) { l.Strings(-1); }, "List index out of bounds (-1)"},
        {[](TStringList& l) { l.Strings(2); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.SetStrings(2, "x"); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.Objects(5); }, "List index out of bounds (5)"},
        {[](TStringList& l) { l.SetObjects(-1, nullptr); }, "List index out of bounds (-1)"},
        {[](TStringList& l) { l.Delete(2); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.Insert(3, "x"); }, "List index out of bounds (3)"},
        {[](TStringList& l) { l.InsertObject(-1, "x", nullptr); }, "List index out of bounds (-1)"},
        {[](TStringList& l) { l.Exchange(0, 2); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.Move(2, 0); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.Move(0, 2); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.Names(2); }, "List index out of bounds (2)"},
        {[](TStringList& l) { l.ValueFromIndex(-3); }, "List index out of bounds (-3)"},
        {[](TStringList& l) { l.SetValueFromIndex(4, "v"); }, "List index out of bounds (4)"},
        {[](TStringList& l) { l.SetCapacity(1); }, "List capacity out of bounds (1)"},
    };
    for (const auto& [action, message] : cases) {
        SCOPED_TRACE(message);
        TStringList l;
        l.Add("a=1");
        l.Add("b=2");
        int changes = 0;
        l.SetOnChange([&](TObject*) { ++changes; });
        ExpectError<EStringListError>([&] { action(l); }, message);
        EXPECT_EQ(Items(l), (Lines{"a=1", "b=2"}));
        EXPECT_EQ(changes, 0);
    }
}

TEST(TStringListTest, SortedListAddsInOrder) {
    TStringList l;
    l.SetSorted(true);
    EXPECT_EQ(l.Add("pear"), 0);
    EXPECT_EQ(l.Add("Apple"), 0);
    EXPECT_EQ(l.Add("fig"), 1);
    EXPECT_EQ(l.Add("banana"), 1);
    EXPECT_EQ(l.Add("zucchini"), 4);
    EXPECT_EQ(Items(l), (Lines{"Apple", "banana", "fig", "pear", "zucchini"}));
    EXPECT_EQ(l.IndexOf("FIG"), 2);
    EXPECT_EQ(l.IndexOf("grape"), -1);
    EXPECT_EQ(l.AddObject("cherry", &l), 2);
    EXPECT_EQ(l.Objects(2), &l);
    // UTF-8 sorts by code point, after ASCII.
    l.Add("\xC3\xA9" "clair");
    EXPECT_EQ(l.Strings(l.Count() - 1), "\xC3\xA9" "clair");
}

struct DuplicateCase {
    TDuplicates Mode;
    bool CaseSensitive;
    const char* Added;
    Integer ExpectedIndex;  // -1: EStringListError
    Lines Expected;
};

TEST(TStringListTest, DuplicatesOfASortedList) {
    const DuplicateCase cases[] = {
        {dupIgnore, false, "B", 1, {"a", "b", "c"}},
        {dupIgnore, false, "b", 1, {"a", "b", "c"}},
        {dupAccept, false, "B", 2, {"a", "b", "B", "c"}},
        {dupError, false, "B", -1, {"a", "b", "c"}},
        {dupError, false, "b", -1, {"a", "b", "c"}},
        {dupError, true, "B", 0, {"B", "a", "b", "c"}},
        {dupIgnore, true, "B", 0, {"B", "a", "b", "c"}},
        {dupError, false, "bb", 2, {"a", "b", "bb", "c"}},
    };
    for (const DuplicateCase& c : cases) {
        SCOPED_TRACE(std::string(EnumInfoOf<TDuplicates>().NameOf(c.Mode)) + " " + c.Added +
                     (c.CaseSensitive ? " case-sensitive" : ""));
        TStringList l;
        l.SetSorted(true);
        l.SetCaseSensitive(c.CaseSensitive);
        l.SetDuplicates(c.Mode);
        l.Add("c");
        l.Add("a");
        l.Add("b");
        if (c.ExpectedIndex < 0)
            ExpectError<EStringListError>([&] { l.Add(c.Added); }, "String list does not allow duplicates");
        else
            EXPECT_EQ(l.Add(c.Added), c.ExpectedIndex);
        EXPECT_EQ(Items(l), c.Expected);
    }

    // dupAccept keeps equal strings in the order they were added.
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(dupAccept);
    for (const char* s : {"x", "X", "a", "x", "X"}) l.Add(s);
    EXPECT_EQ(Items(l), (Lines{"a", "x", "X", "x", "X"}));

    // An unsorted list does not look at Duplicates.
    TStringList u;
    u.SetDuplicates(dupError);
    u.Add("a");
    EXPECT_EQ(u.Add("a"), 1);
}

TEST(TStringListTest, SortedListRejectsPositionalChanges) {
    const std::function<void(TStringList&)> actions[] = {
        [](TStringList& l) { l.Insert(0, "x"); },
        [](TStringList& l) { l.InsertObject(1, "x", nullptr); },
        [](TStringList& l) { l.SetStrings(0, "x"); },
        [](TStringList& l) { l.Exchange(0, 1); },
        [](TStringList& l) { l.Move(0, 1); },
        [](TStringList& l) { l.CustomSort([](TStringList*, Integer, Integer) { return 0; }); },
    };
    for (const auto& action : actions) {
        TStringList l;
        l.SetSorted(true);
        l.Add("b");
        l.Add("a");
        ExpectError<EStringListError>([&] { action(l); }, "Operation not allowed on sorted string list");
        EXPECT_EQ(Items(l), (Lines{"a", "b"}));
    }
}

TEST(TStringListTest, FindOnSortedAndUnsortedLists) {
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(dupAccept);
    for (const char* s : {"d", "b", "B", "a", "b"}) l.Add(s);
    ASSERT_EQ(Items(l), (Lines{"a", "b", "B", "b", "d"}));
    Integer index = -7;
    EXPECT_TRUE(l.Find("B", index));
    EXPECT_EQ(index, 1) << "the first of the equal strings";
    EXPECT_FALSE(l.Find("c", index));
    EXPECT_EQ(index, 4) << "where it would go";
    EXPECT_FALSE(l.Find("0", index));
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(l.Find("zz", index));
    EXPECT_EQ(index, 5);

    TStringList u;
    Fill(u, {"q", "c", "m"});
    EXPECT_TRUE(u.Find("M", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(u.Find("a", index));
    EXPECT_EQ(index, 3);
}

TEST(TStringListTest, SortingAndCaseSensitivity) {
    TStringList l;
    Fill(l, {"b", "C", "a", "B", "c"});
    l.Sort();
    EXPECT_EQ(Items(l), (Lines{"a", "b", "B", "C", "c"})) << "stable, case-insensitive";
    TStringList punct;
    Fill(punct, {"a_", "AB", "a[", "A"});
    punct.Sort();
    EXPECT_EQ(Items(punct), (Lines{"A", "AB", "a[", "a_"})) << "letters fold to upper case, as in CompareText";
    l.SetCaseSensitive(true);
    l.Sort();
    EXPECT_EQ(Items(l), (Lines{"B", "C", "a", "b", "c"}));
    EXPECT_EQ(l.IndexOf("A"), -1);
    EXPECT_EQ(l.IndexOf("a"), 2);

    // A sorted list follows a change of CaseSensitive.
    TStringList s;
    s.SetDuplicates(dupAccept);
    s.SetSorted(true);
    for (const char* x : {"b", "B", "a", "A"}) s.Add(x);
    EXPECT_EQ(Items(s), (Lines{"a", "A", "b", "B"}));
    s.SetCaseSensitive(true);
    EXPECT_EQ(Items(s), (Lines{"A", "B", "a", "b"}));
    Integer index;
    EXPECT_TRUE(s.Find("a", index));
    EXPECT_EQ(index, 2);

    // Setting Sorted sorts what is there.
    TStringList t;
    Fill(t, {"3", "1", "2"});
    t.SetSorted(true);
    EXPECT_EQ(Items(t), (Lines{"1", "2", "3"}));

    // CustomSort hands out indexes into the unchanged list.
    TStringList c;
    Fill(c, {"ccc", "a", "bb", "dddd", "e"});
    c.CustomSort([](TStringList* list, Integer i, Integer j) {
        return static_cast<int>(list->Strings(i).size()) - static_cast<int>(list->Strings(j).size());
    });
    EXPECT_EQ(Items(c), (Lines{"a", "e", "bb", "ccc", "dddd"}));

    // A comparison that deletes items is caught.
    EXPECT_THROW(c.CustomSort([](TStringList* list, Integer, Integer) {
        if (list->Count() > 0) list->Delete(0);
        return 0;
    }),
                 EStringListError);
}

TEST(TStringListTest, NamesAndValues) {
    TStringList l;
    Fill(l, {"a=1", "Bee=2", "novalue", "c=x=y", "=anon", "d="});
    EXPECT_EQ(l.Names(0), "a");
    EXPECT_EQ(l.Names(2), "");
    EXPECT_EQ(l.Names(3), "c");
    EXPECT_EQ(l.Names(4), "");
    EXPECT_EQ(l.Values("bee"), "2") << "names compare case-insensitively";
    EXPECT_EQ(l.Values("c"), "x=y");
    EXPECT_EQ(l.Values("novalue"), "") << "an entry without separator has no name";
    EXPECT_EQ(l.Values("missing"), "");
    EXPECT_EQ(l.Values("d"), "");
    EXPECT_EQ(l.IndexOfName("d"), 5);
    EXPECT_EQ(l.IndexOfName("novalue"), -1);
    EXPECT_EQ(l.ValueFromIndex(2), "");
    EXPECT_EQ(l.ValueFromIndex(4), "anon");

    l.SetValues("BEE", "20");
    EXPECT_EQ(l.Strings(1), "BEE=20") << "replaced in place";
    l.SetValues("e", "5");
    EXPECT_EQ(l.Strings(6), "e=5") << "a new name is added";
    l.SetValues("a", "");
    EXPECT_EQ(l.IndexOfName("a"), -1) << "an empty value deletes";
    const Lines before = Items(l);
    l.SetValues("missing", "");
    EXPECT_EQ(Items(l), before);

    l.SetValueFromIndex(0, "21");
    EXPECT_EQ(l.Strings(0), "BEE=21");
    l.SetValueFromIndex(0, "");
    EXPECT_EQ(l.IndexOfName("bee"), -1);

    TStringList colon;
    colon.SetNameValueSeparator(':');
    colon.Add("host:example.org");
    colon.Add("a=b");
    EXPECT_EQ(colon.Values("HOST"), "example.org");
    EXPECT_EQ(colon.Names(1), "");
    colon.SetValues("port", "80");
    EXPECT_EQ(colon.Strings(2), "port:80");
}

TEST(TStringListTest, ValuesOfASortedListKeepTheOrder) {
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(dupError);
    l.Add("b=2");
    l.AddObject("m=5", &l);
    l.SetValues("a", "1");
    EXPECT_EQ(Items(l), (Lines{"a=1", "b=2", "m=5"}));
    l.SetValues("m", "0");
    EXPECT_EQ(Items(l), (Lines{"a=1", "b=2", "m=0"}));
    EXPECT_EQ(l.Objects(2), &l) << "the object stays with its entry";
    l.SetValues("b", "9");
    EXPECT_EQ(Items(l), (Lines{"a=1", "b=9", "m=0"}));

    // A new value that sorts elsewhere moves the entry.
    l.SetNameValueSeparator('-');
    l.Clear();
    l.Add("k-1");
    l.Add("k2-x");
    EXPECT_EQ(Items(l), (Lines{"k-1", "k2-x"}));
    l.SetValueFromIndex(0, "");
    EXPECT_EQ(Items(l), (Lines{"k2-x"}));
    l.Add("k3");
    l.SetValueFromIndex(1, "z");  // "k3" has no name: becomes "-z"
    EXPECT_EQ(Items(l), (Lines{"-z", "k2-x"}));

    // dupError: a change that would duplicate another entry is refused.
    TStringList d;
    d.SetSorted(true);
    d.SetDuplicates(dupError);
    d.Add("a=1");
    d.Add("a=2");
    ExpectError<EStringListError>([&] { d.SetValues("a", "2"); }, "String list does not allow duplicates");
    EXPECT_EQ(Items(d), (Lines{"a=1", "a=2"}));
    d.SetValues("A", "1");  // equal to itself only
    EXPECT_EQ(Items(d), (Lines{"A=1", "a=2"}));
}

struct CommaCase {
    Lines Items;
    std::string Text;
};

TEST(TStringListTest, CommaTextRoundTrips) {
    const CommaCase cases[] = {
        {{}, ""},
        {{""}, "\"\""},
        {{"", ""}, ","},
        {{"a", "", "b"}, "a,,b"},
        {{"a"}, "a"},
        {{"a", "b", "c"}, "a,b,c"},
        {{"a b"}, "\"a b\""},
        {{" lead", "trail "}, "\" lead\",\"trail \""},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"\""}, "\"\"\"\""},
        {{"it's"}, "it's"},
        {{"tab\there", "line\nbreak"}, "\"tab\there\",\"line\nbreak\""},
        {{"\xC3\xBC", "\xE6\x97\xA5\xE6\x9C\xAC"}, "\xC3\xBC,\xE6\x97\xA5\xE6\x9C\xAC"},
        {{std::string("nul\0in", 6)}, std::string("\"nul\0in\"", 8)},
        {{"x;y", "p=q"}, "x;y,p=q"},
    };
    for (const CommaCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TStringList l;
        for (const std::string& s : c.Items) l.Add(s);
        EXPECT_EQ(l.CommaText(), c.Text);
        TStringList back;
        back.SetCommaText(l.CommaText());
        EXPECT_EQ(Items(back), c.Items);
    }
}

TEST(TStringListTest, CommaTextParsing) {
    const CommaCase cases[] = {
        {{"a", "b", "c"}, "a, b ,c"},
        {{"a", "b"}, "a b"},
        {{"a", "b"}, "  a\t b  "},
        {{}, "   "},
        {{"a", ""}, "a,"},
        {{"a", ""}, "a, "},
        {{"", "a"}, ",a"},
        {{"a", "", "b"}, "a , , b"},
        {{"a \"q\" b", "c"}, "\"a \"\"q\"\" b\",c"},
        {{"unterminated, really"}, "\"unterminated, really"},
        {{"ab", "cd"}, "\"ab\"cd"},
        {{"x", "y z"}, "x,\"y z\""},
    };
    for (const CommaCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TStringList l;
        l.Add("old");
        l.SetCommaText(c.Text);
        EXPECT_EQ(Items(l), c.Items);
    }
}

TEST(TStringListTest, DelimitedText) {
    TStringList l;
    l.SetDelimiter(';');
    l.SetQuoteChar('\'');
    Fill(l, {"a b", "c;d", "it's", "e,f", "g"});
    EXPECT_EQ(l.DelimitedText(), "'a b';'c;d';'it''s';e,f;g");
    EXPECT_EQ(l.CommaText(), "\"a b\",c;d,it's,\"e,f\",g") << "CommaText ignores Delimiter and QuoteChar";
    TStringList back;
    back.SetDelimiter(';');
    back.SetQuoteChar('\'');
    back.SetDelimitedText(l.DelimitedText());
    EXPECT_EQ(Items(back), Items(l));

    // Strict: only the delimiter separates, blanks stay.
    TStringList s;
    s.SetDelimiter('\t');
    s.SetStrictDelimiter(true);
    s.SetDelimitedText(" a b\t c\t");
    EXPECT_EQ(Items(s), (Lines{" a b", " c", ""}));
    Fill(s, {"a b", " c", "q\"uote", "t\tab"});
    EXPECT_EQ(s.DelimitedText(), "a b\t c\t\"q\"\"uote\"\t\"t\tab\"");
    TStringList strictBack;
    strictBack.SetDelimiter('\t');
    strictBack.SetStrictDelimiter(true);
    strictBack.SetDelimitedText(s.DelimitedText());
    EXPECT_EQ(Items(strictBack), Items(s));
    EXPECT_EQ(s.CommaText(), "\"a b\",\" c\",\"q\"\"uote\",\"t\tab\"") << "CommaText is never strict";
}

struct TextCase {
    const char* Text;
    Lines Items;
};

TEST(TStringListTest, TextSplitsEveryLineBreak) {
    const TextCase cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r", {"a"}},
        {"\n", {""}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\n\r b", {"a", "", " b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"x\n\n", {"x", ""}},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.Text)));
        TStringList l;
        l.Add("old");
        l.SetText(c.Text);
        EXPECT_EQ(Items(l), c.Items);
    }

    TStringList l;
    Fill(l, {"one", "", "three"});
    EXPECT_EQ(l.Text(), "one\n\nthree\n");
    l.SetLineBreak("\r\n");
    EXPECT_EQ(l.Text(), "one\r\n\r\nthree\r\n");
    TStringList back;
    back.SetText(l.Text());
    EXPECT_EQ(Items(back), Items(l));
    l.Clear();
    EXPECT_EQ(l.Text(), "");
}

TEST(TStringListTest, ReplacingTheContentOfASortedListIsAllOrNothing) {
    TStringList l;
    l.SetSorted(true);
    l.SetDuplicates(dupError);
    l.Add("keep");
    EXPECT_THROW(l.SetText("b\na\nB\n"), EStringListError);
    EXPECT_EQ(Items(l), (Lines{"keep"}));
    EXPECT_THROW(l.SetCommaText("x,y,x"), EStringListError);
    EXPECT_EQ(Items(l), (Lines{"keep"}));

    l.SetDuplicates(dupIgnore);
    l.SetText("b\nA\na\nc\nB");
    EXPECT_EQ(Items(l), (Lines{"A", "b", "c"})) << "the first of equal strings is kept";
    l.SetDuplicates(dupAccept);
    l.SetText("b\nA\na");
    EXPECT_EQ(Items(l), (Lines{"A", "a", "b"}));
}

TEST(TStringListTest, ChangeEventsAndUpdates) {
    TStringList l;
    std::vector<std::string> log;
    l.SetOnChanging([&](TObject* sender) {
        EXPECT_EQ(sender, &l);
        log.push_back("changing " + std::to_string(l.Count()));
    });
    l.SetOnChange([&](TObject* sender) {
        EXPECT_EQ(sender, &l);
        log.push_back("change " + std::to_string(l.Count()));
    });

    l.Add("a");
    l.Add("b");
    EXPECT_EQ(log, (Lines{"changing 0", "change 1", "changing 1", "change 2"}));

    log.clear();
    l.BeginUpdate();
    l.Add("c");
    l.BeginUpdate();
    l.Delete(0);
    l.EndUpdate();
    l.SetStrings(0, "B");
    EXPECT_EQ(l.UpdateCount(), 1);
    EXPECT_EQ(log, (Lines{"changing 2"})) << "OnChanging once, before the first change";
    l.EndUpdate();
    EXPECT_EQ(log, (Lines{"changing 2", "change 2"})) << "OnChange once, at the final EndUpdate";

    log.clear();
    l.BeginUpdate();
    l.IndexOf("x");
    l.EndUpdate();
    l.EndUpdate();  // unbalanced: ignored
    EXPECT_EQ(l.UpdateCount(), 0);
    EXPECT_TRUE(log.empty()) << "nothing changed, nothing fired";

    // Each kind of change fires once; failures and no-ops fire nothing.
    struct Step {
        const char* Label;
        std::function<void()> Action;
        size_t Events;
    };
    const Step steps[] = {
        {"SetText", [&] { l.SetText("z\ny\nx\n"); }, 2},
        {"SetCommaText", [&] { l.SetCommaText("z,y,x,w"); }, 2},
        {"Sort", [&] { l.Sort(); }, 2},
        {"Exchange", [&] { l.Exchange(0, 1); }, 2},
        {"Move", [&] { l.Move(0, 2); }, 2},
        {"Move to the same place", [&] { l.Move(1, 1); }, 0},
        {"SetObjects", [&] { l.SetObjects(0, &l); }, 2},
        {"SetValues", [&] { l.SetValues("k", "v"); }, 2},
        {"AddStrings", [&] {
             TStringList other;
             other.SetCommaText("p,q,r");
             l.AddStrings(other);
         }, 2},
        {"bad index", [&] { EXPECT_THROW(l.Delete(99), EStringListError); }, 0},
        {"Clear", [&] { l.Clear(); }, 2},
        {"Clear of an empty list", [&] { l.Clear(); }, 0},
        {"SetText of nothing on an empty list", [&] { l.SetText(""); }, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Label);
        log.clear();
        s.Action();
        EXPECT_EQ(log.size(), s.Events);
    }

    // A handler may replace itself while it runs.
    int calls = 0;
    l.SetOnChanging(nullptr);
    l.SetOnChange([&](TObject*) {
        ++calls;
        l.SetOnChange(nullptr);
    });
    l.Add("x");
    l.Add("y");
    EXPECT_EQ(calls, 1);
}

TEST(TStringListTest, OwnsObjects) {
    int live = 0;
    {
        TStringList l(true);
        EXPECT_TRUE(l.OwnsObjects());
        l.AddObject("a", new TTracked(live));
        l.AddObject("b", new TTracked(live));
        l.AddObject("c", new TTracked(live));
        auto* shared = new TTracked(live);
        l.AddObject("d", shared);
        l.AddObject("e", shared);
        EXPECT_EQ(live, 4);

        l.Delete(0);
        EXPECT_EQ(live, 3) << "Delete frees the object";
        l.Delete(l.IndexOf("d"));
        EXPECT_EQ(live, 3) << "still held by \"e\"";

        TObject* taken = l.Objects(0);
        l.SetObjects(0, nullptr);  // take it back
        l.Delete(0);
        EXPECT_EQ(live, 3);
        delete taken;
        EXPECT_EQ(live, 2);

        l.Move(0, 1);
        l.Exchange(0, 1);
        EXPECT_EQ(live, 2) << "moving frees nothing";

        // Another owning list cannot take the same objects.
        TStringList other(true);
        other.Add("mine");
        ExpectError<EStringListError>([&] { other.AddStrings(l); },
                                      "Cannot share objects between string lists that own them");
        ExpectError<EStringListError>([&] { other.Assign(l); },
                                      "Cannot share objects between string lists that own them");
        EXPECT_EQ(Items(other), (Lines{"mine"}));

        l.SetText("replaced");
        EXPECT_EQ(live, 0) << "replacing the content frees the objects";
        l.AddObject("f", new TTracked(live));
        l.AddObject("g", new TTracked(live));
        l.Clear();
        EXPECT_EQ(live, 0);
        l.AddObject("h", new TTracked(live));
    }
    EXPECT_EQ(live, 0) << "the destructor frees the objects";

    TTracked kept(live);
    {
        TStringList notOwning;
        notOwning.AddObject("k", &kept);
        notOwning.Delete(0);
        notOwning.AddObject("k", &kept);
    }
    EXPECT_EQ(live, 1) << "a list owns nothing by default";
}

TEST(TStringListTest, AssignEqualsAndAddStrings) {
    TStringList source;
    source.SetDelimiter(';');
    source.SetQuoteChar('\'');
    source.SetNameValueSeparator(':');
    source.SetStrictDelimiter(true);
    source.SetLineBreak("\r\n");
    source.AddObject("x", &source);
    source.Add("y");

    TStringList target;
    target.Add("gone");
    target.Assign(source);
    EXPECT_EQ(Items(target), (Lines{"x", "y"}));
    EXPECT_EQ(target.Objects(0), &source);
    EXPECT_EQ(target.Delimiter(), ';');
    EXPECT_EQ(target.QuoteChar(), '\'');
    EXPECT_EQ(target.NameValueSeparator(), ':');
    EXPECT_TRUE(target.StrictDelimiter());
    EXPECT_EQ(target.LineBreak(), "\r\n");
    EXPECT_TRUE(target.Equals(source));
    target.SetStrings(1, "Y");
    EXPECT_FALSE(target.Equals(source)) << "Equals compares exactly";
    target.Add("z");
    EXPECT_FALSE(target.Equals(source));

    target.Assign(target);
    EXPECT_EQ(Items(target), (Lines{"x", "Y", "z"}));
    target.AddStrings(target);
    EXPECT_EQ(Items(target), (Lines{"x", "Y", "z", "x", "Y", "z"}));
    EXPECT_EQ(target.Objects(3), &source);

    TStringList sorted;
    sorted.SetSorted(true);
    sorted.AddStrings(target);
    EXPECT_EQ(Items(sorted), (Lines{"x", "Y", "z"}));
    EXPECT_EQ(target.IndexOfObject(&source), 0);
    EXPECT_EQ(target.IndexOfObject(nullptr), 1);
}

TEST(TStringListTest, Capacity) {
    TStringList l;
    l.SetCapacity(50);
    EXPECT_GE(l.Capacity(), 50);
    Fill(l, {"a", "b"});
    l.SetCapacity(2);
    EXPECT_EQ(l.Capacity(), 2);
    EXPECT_EQ(Items(l), (Lines{"a", "b"}));
}

TEST(TStringListTest, ClassInformation) {
    TStringList l;
    EXPECT_EQ(l.ClassName(), "TStringList");
    EXPECT_TRUE(l.InheritsFrom(TStrings::StaticClass()));
    EXPECT_EQ(EnumInfoOf<TDuplicates>().NameOf(dupError), "dupError");
    EXPECT_EQ(EnumInfoOf<TListNotification>().NameOf(lnExtracted), "lnExtracted");
}

// ----------------------------------------------- TStrings default behaviour

namespace {

// The least a TStrings descendant must write: no objects, no events.
class TVectorStrings : public TStrings {
public:
    void Clear() override { FItems.clear(); }
    void Delete(Integer Index) override {
        Check(Index, GetCount() - 1);
        FItems.erase(FItems.begin() + Index);
    }
    void Insert(Integer Index, const std::string& S) override {
        Check(Index, GetCount());
        FItems.insert(FItems.begin() + Index, S);
    }

protected:
    std::string Get(Integer Index) const override {
        Check(Index, GetCount() - 1);
        return FItems[static_cast<size_t>(Index)];
    }
    Integer GetCount() const override { return static_cast<Integer>(FItems.size()); }

private:
    static void Check(Integer Index, Integer Max) {
        if (Index < 0 || Index > Max) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    std::vector<std::string> FItems;
};

}  // namespace

TEST(TStringsTest, DefaultsWorkThroughTheAbstractInterface) {
    TVectorStrings s;
    s.SetCommaText("one,Two,three");
    EXPECT_EQ(s.IndexOf("TWO"), 1) << "TStrings compares case-insensitively";
    s.SetStrings(0, "uno");
    s.Exchange(0, 2);
    EXPECT_EQ(Items(s), (Lines{"three", "Two", "uno"}));
    s.Move(0, 2);
    EXPECT_EQ(Items(s), (Lines{"Two", "uno", "three"}));
    EXPECT_THROW(s.Move(0, 3), EStringListError);
    EXPECT_EQ(Items(s), (Lines{"Two", "uno", "three"})) << "a bad target deletes nothing";

    EXPECT_EQ(s.AddObject("four", &s), 3);
    EXPECT_EQ(s.Objects(3), nullptr) << "the default keeps no objects";
    s.SetValues("k", "v");
    EXPECT_EQ(s.Values("K"), "v");
    s.SetValues("k", "w");
    EXPECT_EQ(s.Strings(4), "k=w");
    s.SetValues("k", "");
    EXPECT_EQ(s.Count(), 4);
    s.SetText("a\r\nb");
    EXPECT_EQ(s.Text(), "a\nb\n");

    TStringList copy;
    copy.Assign(s);
    EXPECT_TRUE(copy.Equals(s));
    EXPECT_TRUE(s.Equals(copy));
}

// ------------------------------------------------------------------ files

class TStringListFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("CORVANE_TEST_TMP");
        std::string root = (base && *base) ? base : "/tmp";
        std::filesystem::create_directories(root);
        std::string pattern = root + "/lists-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
        FDir = pattern;
    }
    void TearDown() override {
        if (!FDir.empty()) std::filesystem::remove_all(FDir);
    }
    std::string Path(const std::string& Name) const { return FDir + "/" + Name; }
    std::string ReadFile(const std::string& Name) const {
        std::ifstream in(Path(Name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteFile(const std::string& Name, const std::string& Data) const {
        std::ofstream(Path(Name), std::ios::binary) << Data;
    }

    std::string FDir;
};

TEST_F(TStringListFileTest, SaveAndLoadRoundTrip) {
    TStringList l;
    Fill(l, {"first", "", "Gr\xC3\xBC\xC3\x9F" "e", "  indented", "last"});
    l.SaveToFile(Path("list.txt"));
    EXPECT_EQ(ReadFile("list.txt"), "first\n\nGr\xC3\xBC\xC3\x9F" "e\n  indented\nlast\n");

    TStringList back;
    back.Add("stale");
    back.LoadFromFile(Path("list.txt"));
    EXPECT_EQ(Items(back), Items(l));

    l.Clear();
    l.SaveToFile(Path("list.txt"));
    EXPECT_EQ(ReadFile("list.txt"), "") << "saving over a file replaces it";
}

TEST_F(TStringListFileTest, LoadSkipsTheByteOrderMarkAndReadsAnyLineBreak) {
    WriteFile("bom.txt", "\xEF\xBB\xBFname=value\r\nsecond\rthird\n");
    TStringList l;
    l.LoadFromFile(Path("bom.txt"));
    EXPECT_EQ(Items(l), (Lines{"name=value", "second", "third"}));
    EXPECT_EQ(l.Values("name"), "value") << "the mark is not part of the first name";

    WriteFile("bom-only.txt", "\xEF\xBB\xBF");
    l.LoadFromFile(Path("bom-only.txt"));
    EXPECT_EQ(l.Count(), 0);
    WriteFile("short.txt", "\xEF\xBB");
    l.LoadFromFile(Path("short.txt"));
    EXPECT_EQ(Items(l), (Lines{"\xEF\xBB"})) << "half a mark is data";
}

TEST_F(TStringListFileTest, FailedLoadsAndSavesKeepTheList) {
    TStringList l;
    Fill(l, {"kept"});
    ExpectError<EFOpenError>([&] { l.LoadFromFile(Path("missing.txt")); },
                             "Cannot open file \"" + Path("missing.txt") + "\". No such file or directory");
    EXPECT_THROW(l.LoadFromFile(FDir), EFOpenError);
    EXPECT_THROW(l.SaveToFile(Path("no/such/dir.txt")), EFCreateError);
    EXPECT_EQ(Items(l), (Lines{"kept"}));
}

TEST(TStringListStreamTest, StreamsReadFromAndWriteAtThePosition) {
    TStringStream in("skip|a\nb");
    in.SetPosition(5);
    TStringList l;
    l.LoadFromStream(in);
    EXPECT_EQ(Items(l), (Lines{"a", "b"}));

    TMemoryStream out;
    out.WriteBuffer("head:", 5);
    l.SaveToStream(out);
    out.SetPosition(0);
    EXPECT_EQ(out.ReadAll(), "head:a\nb\n");
}
