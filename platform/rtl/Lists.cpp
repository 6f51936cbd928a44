#include "Lists.h"

#include <algorithm>
#include <exception>
#include <new>
#include <numeric>
#include <stdexcept>

#include "Exceptions.h"
#include "Streams.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TList, TObject)
VCL_IMPLEMENT_CLASS(TStrings, TObject)
VCL_IMPLEMENT_CLASS(TStringList, TStrings)

namespace {

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
const char* const SSortedListError = "Operation not allowed on sorted string list";
const char* const SDuplicateString = "String list does not allow duplicates";

// Format with the single "%d" replaced by Value.
std::string FormatInt(const char* Format, Integer Value) {
    std::string s(Format);
    const size_t p = s.find("%d");
    if (p != std::string::npos) s.replace(p, 2, std::to_string(Value));
    return s;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

// ASCII case-insensitive comparison with letters folded to upper case (the
// order of SysUtils' CompareText); other bytes compare by value, so UTF-8
// text orders by code point.
int CompareTextAscii(const std::string& S1, const std::string& S2) {
    const size_t n = std::min(S1.size(), S2.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char a = static_cast<unsigned char>(UpperAscii(S1[i]));
        const unsigned char b = static_cast<unsigned char>(UpperAscii(S2[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (S1.size() == S2.size()) return 0;
    return S1.size() < S2.size() ? -1 : 1;
}

int CompareBytes(const std::string& S1, const std::string& S2) {
    const int c = S1.compare(S2);  // char_traits<char> compares as unsigned char
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Stable bottom-up merge sort of Order.  Less is only asked about elements of
// Order and nothing is indexed by its answers, so an inconsistent comparison
// gives some order but never harm.
void StableSort(std::vector<Integer>& Order, const std::function<bool(Integer, Integer)>& Less) {
    const size_t n = Order.size();
    if (n < 2) return;
    std::vector<Integer> merged(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) merged[k++] = Less(Order[j], Order[i]) ? Order[j++] : Order[i++];
            while (i < mid) merged[k++] = Order[i++];
            while (j < hi) merged[k++] = Order[j++];
        }
        Order.swap(merged);
    }
}

// BeginUpdate now, EndUpdate at the end of the scope.  An exception from the
// final change notification is passed on unless another one is in flight.
class TUpdateGuard {
public:
    explicit TUpdateGuard(TStrings& Strings) : FStrings(Strings), FExceptions(std::uncaught_exceptions()) {
        FStrings.BeginUpdate();
    }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;
    ~TUpdateGuard() noexcept(false) {
        if (std::uncaught_exceptions() > FExceptions) {
            try {
                FStrings.EndUpdate();
            } catch (...) {
            }
        } else {
            FStrings.EndUpdate();
        }
    }

private:
    TStrings& FStrings;
    int FExceptions;
};

std::string QuotedString(const std::string& S, char Quote) {
    std::string r;
    r.reserve(S.size() + 2);
    r += Quote;
    for (char c : S) {
        r += c;
        if (c == Quote) r += Quote;
    }
    r += Quote;
    return r;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Extracts the quoted string that starts at Value[Pos] (the opening quote);
// doubled quotes stand for one.  Returns the index after the closing quote,
// or the end when the quote is not closed.
size_t ExtractQuoted(const std::string& Value, size_t Pos, char Quote, std::string& Out) {
    const size_t n = Value.size();
    size_t i = Pos + 1;
    while (i < n) {
        if (Value[i] == Quote) {
            if (i + 1 < n && Value[i + 1] == Quote) {
                Out += Quote;
                i += 2;
            } else {
                return i + 1;
            }
        } else {
            Out += Value[i++];
        }
    }
    return n;
}

const std::string Utf8Bom = "\xEF\xBB\xBF";

}  // namespace

// ------------------------------------------------------------------ TList

TList::~TList() { Clear(); }

void TList::Error(const char* Format, Integer Value) { throw EListError(FormatInt(Format, Value)); }

void TList::CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= FCount) Error(SListIndexError, Index);
}

Integer TList::Add(void* Item) {
    const Integer index = FCount;
    if (FCount == Capacity()) Grow();
    FList[static_cast<size_t>(index)] = Item;
    ++FCount;
    if (Item) Notify(Item, lnAdded);
    return index;
}

void TList::Insert(Integer Index, void* Item) {
    if (Index < 0 || Index > FCount) Error(SListIndexError, Index);
    if (FCount == Capacity()) Grow();
    std::move_backward(FList.begin() + Index, FList.begin() + FCount, FList.begin() + FCount + 1);
    FList[static_cast<size_t>(Index)] = Item;
    ++FCount;
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(Integer Index) {
    CheckIndex(Index);
    void* item = FList[static_cast<size_t>(Index)];
    std::move(FList.begin() + Index + 1, FList.begin() + FCount, FList.begin() + Index);
    --FCount;
    FList[static_cast<size_t>(FCount)] = nullptr;
    if (item) Notify(item, lnDeleted);
}

Integer TList::Remove(void* Item) {
    const Integer index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* Item) {
    const Integer index = IndexOf(Item);
    if (index < 0) return nullptr;
    FList[static_cast<size_t>(index)] = nullptr;  // no lnDeleted for it
    Delete(index);
    if (Item) Notify(Item, lnExtracted);
    return Item;
}

Integer TList::IndexOf(void* Item) const {
    for (Integer i = 0; i < FCount; ++i)
        if (FList[static_cast<size_t>(i)] == Item) return i;
    return -1;
}

void* TList::Items(Integer Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)];
}

void TList::SetItems(Integer Index, void* Item) {
    CheckIndex(Index);
    void* old = FList[static_cast<size_t>(Index)];
    if (old == Item) return;
    FList[static_cast<size_t>(Index)] = Item;
    if (old) Notify(old, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

void TList::SetCount(Integer NewCount) {
    if (NewCount < 0 || NewCount > MaxListSize) Error(SListCountError, NewCount);
    if (NewCount > Capacity()) SetCapacity(NewCount);
    if (NewCount > FCount) {
        std::fill(FList.begin() + FCount, FList.begin() + NewCount, nullptr);
        FCount = NewCount;
    } else {
        for (Integer i = FCount - 1; i >= NewCount; --i) Delete(i);
    }
}

void TList::SetCapacity(Integer NewCapacity) {
    if (NewCapacity < FCount || NewCapacity > MaxListSize) Error(SListCapacityError, NewCapacity);
    try {
        const bool shrinking = NewCapacity < Capacity();
        FList.resize(static_cast<size_t>(NewCapacity), nullptr);
        if (shrinking) FList.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Out of memory while expanding a list");
    }
}

void TList::Clear() {
    SetCount(0);
    SetCapacity(0);
}

void TList::Exchange(Integer Index1, Integer Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(Integer CurIndex, Integer NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex < NewIndex)
        std::rotate(FList.begin() + CurIndex, FList.begin() + CurIndex + 1, FList.begin() + NewIndex + 1);
    else if (CurIndex > NewIndex)
        std::rotate(FList.begin() + NewIndex, FList.begin() + CurIndex, FList.begin() + CurIndex + 1);
}

void* TList::First() const { return Items(0); }

void* TList::Last() const { return Items(FCount - 1); }

void TList::Pack() {
    auto end = std::remove(FList.begin(), FList.begin() + FCount, nullptr);
    FCount = static_cast<Integer>(end - FList.begin());
    std::fill(end, FList.end(), nullptr);
}

void TList::Sort(const TListSortCompare& Compare) {
    if (FCount < 2) return;
    std::vector<Integer> order(static_cast<size_t>(FCount));
    std::iota(order.begin(), order.end(), 0);
    StableSort(order, [&](Integer a, Integer b) {
        return Compare(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]) < 0;
    });
    std::vector<void*> sorted(FList.size(), nullptr);
    for (size_t i = 0; i < order.size(); ++i) sorted[i] = FList[static_cast<size_t>(order[i])];
    FList.swap(sorted);
}

TList* TList::Expand() {
    if (FCount == Capacity()) Grow();
    return this;
}

void TList::Notify(void*, TListNotification) {}

void TList::Grow() {
    const Integer capacity = Capacity();
    Integer delta = capacity > 64 ? capacity / 4 : (capacity > 8 ? 16 : 4);
    if (capacity < MaxListSize && delta > MaxListSize - capacity) delta = MaxListSize - capacity;
    SetCapacity(capacity + delta);
}

// --------------------------------------------------------------- TStrings

Integer TStrings::Add(const std::string& S) {
    const Integer index = GetCount();
    Insert(index, S);
    return index;
}

Integer TStrings::AddObject(const std::string& S, TObject* AObject) {
    const Integer index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::AddStrings(const TStrings& Strings) {
    const Integer n = Strings.GetCount();
    std::vector<std::pair<std::string, TObject*>> items;
    items.reserve(static_cast<size_t>(n));
    for (Integer i = 0; i < n; ++i) items.emplace_back(Strings.Get(i), Strings.GetObject(i));
    if (OwnsItemObjects() && Strings.OwnsItemObjects()) {
        for (const auto& item : items)
            if (item.second)
                throw EStringListError("Cannot share objects between string lists that own them");
    }
    TUpdateGuard guard(*this);
    for (const auto& item : items) AddObject(item.first, item.second);
}

void TStrings::InsertObject(Integer Index, const std::string& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
    TUpdateGuard guard(*this);
    const std::string s1 = Get(Index1);
    TObject* o1 = GetObject(Index1);
    const std::string s2 = Get(Index2);
    TObject* o2 = GetObject(Index2);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
    const std::string s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    // Check the target before anything is deleted.
    if (NewIndex < 0 || NewIndex >= GetCount()) throw EStringListError(FormatInt(SListIndexError, NewIndex));
    if (CurIndex == NewIndex) return;
    TUpdateGuard guard(*this);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
}

void TStrings::Assign(const TStrings& Source) {
    if (&Source == this) return;
    if (OwnsItemObjects() && Source.OwnsItemObjects()) {
        for (Integer i = 0; i < Source.GetCount(); ++i)
            if (Source.GetObject(i))
                throw EStringListError("Cannot share objects between string lists that own them");
    }
    TUpdateGuard guard(*this);
    Clear();
    FDelimiter = Source.FDelimiter;
    FQuoteChar = Source.FQuoteChar;
    FNameValueSeparator = Source.FNameValueSeparator;
    FStrictDelimiter = Source.FStrictDelimiter;
    FLineBreak = Source.FLineBreak;
    AddStrings(Source);
}

bool TStrings::Equals(const TStrings& Strings) const {
    const Integer n = GetCount();
    if (n != Strings.GetCount()) return false;
    for (Integer i = 0; i < n; ++i)
        if (Get(i) != Strings.Get(i)) return false;
    return true;
}

Integer TStrings::IndexOf(const std::string& S) const {
    const Integer n = GetCount();
    for (Integer i = 0; i < n; ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

Integer TStrings::IndexOfName(const std::string& Name) const {
    const Integer n = GetCount();
    for (Integer i = 0; i < n; ++i) {
        const std::string s = Get(i);
        const size_t p = s.find(FNameValueSeparator);
        if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
    }
    return -1;
}

Integer TStrings::IndexOfObject(const TObject* AObject) const {
    const Integer n = GetCount();
    for (Integer i = 0; i < n; ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

std::string TStrings::Names(Integer Index) const {
    const std::string s = Get(Index);
    const size_t p = s.find(FNameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(const std::string& Name) const {
    const Integer index = IndexOfName(Name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
    const Integer index = IndexOfName(Name);
    if (!Value.empty()) {
        const std::string entry = Name + FNameValueSeparator + Value;
        if (index < 0)
            Add(entry);
        else
            ReplaceEntry(index, entry);
    } else if (index >= 0) {
        Delete(index);
    }
}

std::string TStrings::ValueFromIndex(Integer Index) const {
    const std::string s = Get(Index);
    const size_t p = s.find(FNameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(Integer Index, const std::string& Value) {
    if (!Value.empty()) {
        if (Index < 0)
            Add(FNameValueSeparator + Value);
        else
            ReplaceEntry(Index, Names(Index) + FNameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

std::string TStrings::Text() const {
    std::string result;
    const Integer n = GetCount();
    for (Integer i = 0; i < n; ++i) {
        result += Get(i);
        result += FLineBreak;
    }
    return result;
}

void TStrings::SetText(const std::string& Value) {
    std::vector<std::string> lines;
    const size_t n = Value.size();
    size_t i = 0;
    while (i < n) {
        const size_t start = i;
        while (i < n && Value[i] != '\n' && Value[i] != '\r') ++i;
        lines.push_back(Value.substr(start, i - start));
        if (i < n && Value[i] == '\r') ++i;
        if (i < n && Value[i] == '\n') ++i;
    }
    SetLines(lines);
}

std::string TStrings::GetDelimited(char Delim, char Quote, bool Strict) const {
    const Integer n = GetCount();
    if (n == 1 && Get(0).empty()) return std::string(2, Quote);
    std::string result;
    for (Integer i = 0; i < n; ++i) {
        const std::string s = Get(i);
        bool quote = false;
        for (char c : s) {
            if ((!Strict && IsBlank(c)) || c == Quote || c == Delim) {
                quote = true;
                break;
            }
        }
        if (i > 0) result += Delim;
        result += quote ? QuotedString(s, Quote) : s;
    }
    return result;
}

void TStrings::SetDelimited(const std::string& Value, char Delim, char Quote, bool Strict) {
    std::vector<std::string> lines;
    const size_t n = Value.size();
    size_t i = 0;
    auto skipBlanks = [&] {
        if (!Strict)
            while (i < n && IsBlank(Value[i])) ++i;
    };
    skipBlanks();
    while (i < n) {
        std::string s;
        if (Value[i] == Quote) {
            i = ExtractQuoted(Value, i, Quote, s);
        } else {
            const size_t start = i;
            while (i < n && (Strict || !IsBlank(Value[i])) && Value[i] != Delim) ++i;
            s = Value.substr(start, i - start);
        }
        lines.push_back(std::move(s));
        skipBlanks();
        if (i < n && Value[i] == Delim) {
            ++i;
            skipBlanks();
            if (i == n) lines.emplace_back();  // a trailing delimiter ends with an empty string
        }
    }
    SetLines(lines);
}

std::string TStrings::CommaText() const { return GetDelimited(',', '"', false); }

void TStrings::SetCommaText(const std::string& Value) { SetDelimited(Value, ',', '"', false); }

std::string TStrings::DelimitedText() const { return GetDelimited(FDelimiter, FQuoteChar, FStrictDelimiter); }

void TStrings::SetDelimitedText(const std::string& Value) {
    SetDelimited(Value, FDelimiter, FQuoteChar, FStrictDelimiter);
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount == 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& Stream) {
    std::string data = Stream.ReadAll();
    if (data.compare(0, Utf8Bom.size(), Utf8Bom) == 0) data.erase(0, Utf8Bom.size());
    SetText(data);
}

void TStrings::LoadFromFile(const std::string& FileName) {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStrings::SaveToStream(TStream& Stream) const {
    const std::string text = Text();
    Stream.WriteBuffer(text.data(), static_cast<Int64>(text.size()));
}

void TStrings::SaveToFile(const std::string& FileName) const {
    TFileStream file(FileName, fmCreate);
    SaveToStream(file);
}

TObject* TStrings::GetObject(Integer) const { return nullptr; }

void TStrings::Put(Integer Index, const std::string& S) {
    TObject* o = GetObject(Index);
    TUpdateGuard guard(*this);
    Delete(Index);
    InsertObject(Index, S, o);
}

void TStrings::PutObject(Integer, TObject*) {}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
    return CompareTextAscii(S1, S2);
}

void TStrings::ReplaceEntry(Integer Index, const std::string& S) { Put(Index, S); }

void TStrings::SetLines(const std::vector<std::string>& Lines) {
    TUpdateGuard guard(*this);
    Clear();
    for (const std::string& line : Lines) Add(line);
}

// ------------------------------------------------------------ TStringList

TStringList::~TStringList() {
    FOnChange = nullptr;
    FOnChanging = nullptr;
    if (FOwnsObjects) FreeObjects(FList);
}

void TStringList::CheckIndex(Integer Index) const {
    if (Index < 0 || Index >= GetCount()) throw EStringListError(FormatInt(SListIndexError, Index));
}

void TStringList::CheckNotSorted() const {
    if (FSorted) throw EStringListError(SSortedListError);
}

void TStringList::FreeObjects(std::vector<TStringItem>& Items) {
    // An object held by several entries is deleted once.
    std::vector<TObject*> objects;
    for (TStringItem& item : Items) {
        if (item.FObject) objects.push_back(item.FObject);
        item.FObject = nullptr;
    }
    std::sort(objects.begin(), objects.end());
    objects.erase(std::unique(objects.begin(), objects.end()), objects.end());
    for (TObject* o : objects) delete o;
}

bool TStringList::Find(const std::string& S, Integer& Index) const {
    const Integer n = GetCount();
    if (!FSorted) {
        for (Integer i = 0; i < n; ++i) {
            if (CompareStrings(FList[static_cast<size_t>(i)].FString, S) == 0) {
                Index = i;
                return true;
            }
        }
        Index = n;
        return false;
    }
    Integer lo = 0, hi = n;
    while (lo < hi) {
        const Integer mid = lo + (hi - lo) / 2;
        if (CompareStrings(FList[static_cast<size_t>(mid)].FString, S) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    Index = lo;
    return lo < n && CompareStrings(FList[static_cast<size_t>(lo)].FString, S) == 0;
}

Integer TStringList::SortedInsertIndex(const std::string& S, Integer& Existing) const {
    Integer index;
    if (!Find(S, index)) return index;
    switch (FDuplicates) {
        case dupIgnore:
            Existing = index;
            return -1;
        case dupError:
            throw EStringListError(SDuplicateString);
        case dupAccept:
            break;
    }
    // After the equal strings, so that equal strings keep the order of adding.
    Integer hi = GetCount();
    while (index < hi) {
        const Integer mid = index + (hi - index) / 2;
        if (CompareStrings(FList[static_cast<size_t>(mid)].FString, S) <= 0)
            index = mid + 1;
        else
            hi = mid;
    }
    return index;
}

void TStringList::InsertItem(Integer Index, const std::string& S, TObject* AObject) {
    Changing();
    FList.insert(FList.begin() + Index, TStringItem{S, AObject});
    Changed();
}

Integer TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const std::string& S, TObject* AObject) {
    Integer index = GetCount();
    if (FSorted) {
        Integer existing = -1;
        index = SortedInsertIndex(S, existing);
        if (index < 0) return existing;
    }
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::Clear() {
    if (FList.empty()) return;
    Changing();
    std::vector<TStringItem> old;
    old.swap(FList);
    if (FOwnsObjects) FreeObjects(old);
    Changed();
}

void TStringList::Delete(Integer Index) {
    CheckIndex(Index);
    Changing();
    TObject* object = FList[static_cast<size_t>(Index)].FObject;
    FList.erase(FList.begin() + Index);
    if (FOwnsObjects && object) {
        const bool shared = std::any_of(FList.begin(), FList.end(),
                                        [object](const TStringItem& item) { return item.FObject == object; });
        if (!shared) delete object;
    }
    Changed();
}

void TStringList::Insert(Integer Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(Integer Index, const std::string& S, TObject* AObject) {
    CheckNotSorted();
    if (Index < 0 || Index > GetCount()) throw EStringListError(FormatInt(SListIndexError, Index));
    InsertItem(Index, S, AObject);
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
    CheckNotSorted();
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
    Changed();
}

void TStringList::Move(Integer CurIndex, Integer NewIndex) {
    CheckNotSorted();
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (CurIndex == NewIndex) return;
    Changing();
    if (CurIndex < NewIndex)
        std::rotate(FList.begin() + CurIndex, FList.begin() + CurIndex + 1, FList.begin() + NewIndex + 1);
    else
        std::rotate(FList.begin() + NewIndex, FList.begin() + CurIndex, FList.begin() + CurIndex + 1);
    Changed();
}

Integer TStringList::IndexOf(const std::string& S) const {
    Integer index;
    return Find(S, index) ? index : -1;
}

void TStringList::SortItems(const std::function<bool(Integer, Integer)>& Less) {
    const size_t n = FList.size();
    if (n < 2) return;
    std::vector<Integer> order(n);
    std::iota(order.begin(), order.end(), 0);
    StableSort(order, Less);
    if (FList.size() != n) throw EStringListError("List changed during sort");
    std::vector<TStringItem> sorted;
    sorted.reserve(n);
    for (Integer i : order) sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
    Changing();
    FList.swap(sorted);
    Changed();
}

void TStringList::Sort() {
    if (FSorted) return;
    SortItems([this](Integer a, Integer b) {
        return CompareStrings(FList[static_cast<size_t>(a)].FString, FList[static_cast<size_t>(b)].FString) < 0;
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    CheckNotSorted();
    SortItems([this, &Compare](Integer a, Integer b) { return Compare(this, a, b) < 0; });
}

void TStringList::SetSorted(bool Value) {
    if (Value == FSorted) return;
    if (Value) {
        SortItems([this](Integer a, Integer b) {
            return CompareStrings(FList[static_cast<size_t>(a)].FString, FList[static_cast<size_t>(b)].FString) < 0;
        });
    }
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive) return;
    FCaseSensitive = Value;
    if (FSorted) {
        SortItems([this](Integer a, Integer b) {
            return CompareStrings(FList[static_cast<size_t>(a)].FString, FList[static_cast<size_t>(b)].FString) < 0;
        });
    }
}

void TStringList::SetCapacity(Integer NewCapacity) {
    if (NewCapacity < GetCount() || NewCapacity > MaxListSize)
        throw EStringListError(FormatInt(SListCapacityError, NewCapacity));
    const size_t capacity = static_cast<size_t>(NewCapacity);
    if (capacity > FList.capacity()) {
        FList.reserve(capacity);
    } else if (capacity < FList.capacity()) {
        std::vector<TStringItem> shrunk;
        shrunk.reserve(capacity);
        for (TStringItem& item : FList) shrunk.push_back(std::move(item));
        FList.swap(shrunk);
    }
}

std::string TStringList::Get(Integer Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].FString;
}

TObject* TStringList::GetObject(Integer Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::Put(Integer Index, const std::string& S) {
    CheckNotSorted();
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FString = S;
    Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FObject = AObject;
    Changed();
}

void TStringList::SetUpdateState(bool Updating) {
    const bool changed = FUpdateChanged;
    FUpdateChanging = false;
    FUpdateChanged = false;
    if (!Updating && changed && FOnChange) {
        const TNotifyEvent handler = FOnChange;
        handler(this);
    }
}

void TStringList::Changing() {
    if (UpdateCount() > 0) {
        if (FUpdateChanging) return;
        FUpdateChanging = true;
    }
    if (FOnChanging) {
        const TNotifyEvent handler = FOnChanging;
        handler(this);
    }
}

void TStringList::Changed() {
    if (UpdateCount() > 0) {
        FUpdateChanged = true;
        return;
    }
    if (FOnChange) {
        const TNotifyEvent handler = FOnChange;
        handler(this);
    }
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
    return FCaseSensitive ? CompareBytes(S1, S2) : CompareTextAscii(S1, S2);
}

void TStringList::ReplaceEntry(Integer Index, const std::string& S) {
    if (!FSorted) {
        Put(Index, S);
        return;
    }
    // A sorted list keeps its order: the entry moves to where S belongs.
    CheckIndex(Index);
    Integer first;
    if (Find(S, first) && FDuplicates == dupError) {
        Integer last = first;
        while (last < GetCount() && CompareStrings(FList[static_cast<size_t>(last)].FString, S) == 0) ++last;
        if (last - first > 1 || first != Index) throw EStringListError(SDuplicateString);
    }
    Changing();
    TStringItem item{S, FList[static_cast<size_t>(Index)].FObject};
    FList.erase(FList.begin() + Index);
    Integer at = 0, hi = GetCount();
    while (at < hi) {  // after equal strings
        const Integer mid = at + (hi - at) / 2;
        if (CompareStrings(FList[static_cast<size_t>(mid)].FString, S) <= 0)
            at = mid + 1;
        else
            hi = mid;
    }
    FList.insert(FList.begin() + at, std::move(item));
    Changed();
}

void TStringList::SetLines(const std::vector<std::string>& Lines) {
    // Build the new content first, so that a duplicate error leaves the list
    // as it was.
    std::vector<TStringItem> items;
    items.reserve(Lines.size());
    if (FSorted && Lines.size() > 1) {
        std::vector<Integer> order(Lines.size());
        std::iota(order.begin(), order.end(), 0);
        StableSort(order, [&](Integer a, Integer b) {
            return CompareStrings(Lines[static_cast<size_t>(a)], Lines[static_cast<size_t>(b)]) < 0;
        });
        for (Integer i : order) {
            const std::string& line = Lines[static_cast<size_t>(i)];
            if (!items.empty() && FDuplicates != dupAccept && CompareStrings(items.back().FString, line) == 0) {
                if (FDuplicates == dupError) throw EStringListError(SDuplicateString);
                continue;  // dupIgnore keeps the first
            }
            items.push_back(TStringItem{line, nullptr});
        }
    } else {
        for (const std::string& line : Lines) items.push_back(TStringItem{line, nullptr});
    }
    if (FList.empty() && items.empty()) return;
    Changing();
    FList.swap(items);
    if (FOwnsObjects) FreeObjects(items);
    Changed();
}

}  // namespace vcl
