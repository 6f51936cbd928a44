// Lists.h - TList (a list of pointers), TStrings (the abstract list of
// strings with associated objects) and TStringList.
#pragma once

#include <functional>
#include <utility>
#include <string>
#include <vector>

#include "System.h"
#include "TypInfo.h"

namespace vcl {

class TStream;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Calls an event handler through a copy of it, so that a handler that frees
// the object holding it (and with it the handler itself) runs to its end on
// memory that still lives.
template <class Handler, class... Args>
void CallEvent(const Handler& H, Args&&... A) {
    if (!H) return;
    Handler copy = H;
    copy(std::forward<Args>(A)...);
}

// The largest number of items a TList holds.
constexpr Integer MaxListSize = INT32_MAX / 16;

// ------------------------------------------------------------------ TList

VCL_ENUM(TListNotification, lnAdded, lnExtracted, lnDeleted)

// Negative when Item1 sorts before Item2, 0 when equal, positive after.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of untyped pointers.  The list owns nothing; a descendant that must
// act when items come and go overrides Notify (called for non-null items
// only).  C++ calls no override from a destructor, so such a descendant calls
// Clear() in its own destructor.
//
// A bad index raises EListError "List index out of bounds (<index>)".
class TList : public TObject {
    VCL_DECLARE_CLASS(TList)

public:
    TList() = default;
    ~TList() override;

    Integer Add(void* Item);
    // Index may be Count() (appends).
    void Insert(Integer Index, void* Item);
    void Delete(Integer Index);
    // Deletes the first occurrence of Item and returns its former index, or -1.
    Integer Remove(void* Item);
    // Removes the first occurrence of Item (notifying lnExtracted) and
    // returns it; nullptr when Item is not in the list.
    void* Extract(void* Item);
    Integer IndexOf(void* Item) const;

    void* Items(Integer Index) const;
    void SetItems(Integer Index, void* Item);
    Integer Count() const { return FCount; }
    // Growing appends nullptr items; shrinking deletes items from the end.
    // EListError "List count out of bounds (<n>)" below 0 or above MaxListSize.
    void SetCount(Integer NewCount);
    Integer Capacity() const { return static_cast<Integer>(FList.size()); }
    // EListError "List capacity out of bounds (<n>)" below Count() or above
    // MaxListSize.
    void SetCapacity(Integer NewCapacity);

    virtual void Clear();
    void Exchange(Integer Index1, Integer Index2);
    // Moves the item at CurIndex so that it ends up at NewIndex.
    void Move(Integer CurIndex, Integer NewIndex);
    // The first / last item; EListError on an empty list.
    void* First() const;
    void* Last() const;
    // Removes the nullptr items.
    void Pack();
    // Sorts stably.  When Compare raises, the list is left unchanged.
    void Sort(const TListSortCompare& Compare);
    // Grows the capacity when the list is full; returns this list.
    TList* Expand();

protected:
    virtual void Notify(void* Ptr, TListNotification Action);
    virtual void Grow();

private:
    [[noreturn]] static void Error(const char* Format, Integer Value);
    void CheckIndex(Integer Index) const;

    std::vector<void*> FList;  // FList.size() is the capacity
    Integer FCount = 0;
};

// --------------------------------------------------------------- TStrings

// The abstract list of strings, each with an associated object.
//
// A descendant implements Get, GetCount, Clear, Delete and Insert, and
// overrides GetObject / PutObject when it stores objects (the defaults keep
// none).  Strings compare ASCII case-insensitively unless a descendant says
// otherwise (CompareStrings).
//
// Text joins the strings, each followed by LineBreak() ("\n" by default, the
// Linux line break); SetText splits at "\r\n", "\n" and "\r".
// LoadFromStream / LoadFromFile read UTF-8 text and skip a UTF-8 byte order
// mark; SaveToStream / SaveToFile write the Text without one.
class TStrings : public TObject {
    VCL_DECLARE_CLASS(TStrings)

public:
    TStrings() = default;

    Integer Count() const { return GetCount(); }
    std::string Strings(Integer Index) const { return Get(Index); }
    void SetStrings(Integer Index, const std::string& S) { Put(Index, S); }
    TObject* Objects(Integer Index) const { return GetObject(Index); }
    void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }

    // Adds S and returns its index.
    virtual Integer Add(const std::string& S);
    virtual Integer AddObject(const std::string& S, TObject* AObject);
    void Append(const std::string& S) { Add(S); }
    // Adds the strings and objects of Strings (which may be this list).
    virtual void AddStrings(const TStrings& Strings);
    virtual void Clear() = 0;
    virtual void Delete(Integer Index) = 0;
    virtual void Insert(Integer Index, const std::string& S) = 0;
    virtual void InsertObject(Integer Index, const std::string& S, TObject* AObject);
    virtual void Exchange(Integer Index1, Integer Index2);
    virtual void Move(Integer CurIndex, Integer NewIndex);

    // Replaces the content and the Delimiter, QuoteChar, StrictDelimiter,
    // NameValueSeparator and LineBreak settings with those of Source.
    virtual void Assign(const TStrings& Source);
    // True when both lists hold the same strings (compared exactly).
    bool Equals(const TStrings& Strings) const;

    virtual Integer IndexOf(const std::string& S) const;
    // The index of the first "Name=Value" entry with that name, or -1.
    Integer IndexOfName(const std::string& Name) const;
    Integer IndexOfObject(const TObject* AObject) const;

    // Name=Value pairs (the separator is NameValueSeparator()).  Names(i) is
    // empty for an entry without a separator; Values of a missing name is
    // empty; SetValues with an empty value deletes the entry.
    std::string Names(Integer Index) const;
    std::string Values(const std::string& Name) const;
    void SetValues(const std::string& Name, const std::string& Value);
    std::string ValueFromIndex(Integer Index) const;
    void SetValueFromIndex(Integer Index, const std::string& Value);
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }

    std::string Text() const;
    void SetText(const std::string& Value);
    const std::string& LineBreak() const { return FLineBreak; }
    void SetLineBreak(const std::string& Value) { FLineBreak = Value; }

    // The strings separated by ','; a string holding a blank or control
    // character, a '"' or a ',' is double-quoted with inner quotes doubled.
    // A list of one empty string gives "\"\"".  Parsing takes blanks and
    // commas outside quotes as separators.  Independent of Delimiter,
    // QuoteChar and StrictDelimiter.
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);
    // As CommaText with Delimiter() and QuoteChar().  With StrictDelimiter()
    // only the delimiter separates, blanks belong to the strings.
    std::string DelimitedText() const;
    void SetDelimitedText(const std::string& Value);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char Value) { FDelimiter = Value; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char Value) { FQuoteChar = Value; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

    // Nested; change notifications of a descendant wait for the final
    // EndUpdate.  An EndUpdate without BeginUpdate does nothing.
    void BeginUpdate();
    void EndUpdate();
    Integer UpdateCount() const { return FUpdateCount; }

    // Replace the content by the text read from the position to the end.
    void LoadFromStream(TStream& Stream);
    void LoadFromFile(const std::string& FileName);
    // Writes Text() at the stream's position.
    void SaveToStream(TStream& Stream) const;
    // Creates (or empties) the file and writes Text() into it.
    void SaveToFile(const std::string& FileName) const;

protected:
    virtual std::string Get(Integer Index) const = 0;
    virtual Integer GetCount() const = 0;
    virtual TObject* GetObject(Integer Index) const;
    // The default replaces the string through Delete and InsertObject.
    virtual void Put(Integer Index, const std::string& S);
    // The default keeps no objects and ignores AObject.
    virtual void PutObject(Integer Index, TObject* AObject);
    // Called by the first BeginUpdate (true) and the final EndUpdate (false).
    virtual void SetUpdateState(bool Updating);
    // Negative, 0 or positive; the default is ASCII case-insensitive.
    virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
    // Replaces the string of an existing "Name=Value" entry (SetValues,
    // SetValueFromIndex).  The default calls Put.
    virtual void ReplaceEntry(Integer Index, const std::string& S);
    // Replaces the whole content by Lines (SetText, SetCommaText,
    // SetDelimitedText, LoadFromStream).  The default clears and adds.
    virtual void SetLines(const std::vector<std::string>& Lines);
    // True when the list frees its objects (see TStringList::OwnsObjects).
    virtual bool OwnsItemObjects() const { return false; }

private:
    std::string GetDelimited(char Delim, char Quote, bool Strict) const;
    void SetDelimited(const std::string& Value, char Delim, char Quote, bool Strict);

    Integer FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
    bool FStrictDelimiter = false;
    std::string FLineBreak = "\n";
};

// ------------------------------------------------------------ TStringList

VCL_ENUM(TDuplicates, dupIgnore, dupAccept, dupError)

class TStringList;

// Negative when the item at Index1 sorts before the one at Index2.  The list
// does not change while a sort runs, so the indexes are stable.
using TStringListSortCompare = std::function<int(TStringList* List, Integer Index1, Integer Index2)>;

// The string list.  Comparison is ASCII case-insensitive (letters folded to
// upper case, as CompareText does) unless CaseSensitive() (then byte-wise,
// which for UTF-8 is code point order).
//
// Sorted lists keep their order: Add inserts in place (after equal strings)
// and Duplicates decides about an equal string (dupIgnore: not added, Add
// returns the existing index; dupAccept: added; dupError: EStringListError
// "String list does not allow duplicates").  Insert, InsertObject,
// SetStrings, Exchange, Move and CustomSort raise EStringListError
// "Operation not allowed on sorted string list" on a sorted list.  On an
// unsorted list Duplicates is not looked at.
//
// OnChanging fires before and OnChange after each change; between
// BeginUpdate and the final EndUpdate they fire once (OnChanging before the
// first change, OnChange at the final EndUpdate), and not at all when
// nothing changed.
//
// The list owns its objects only when OwnsObjects() is set: then Delete,
// Clear and the destructor delete them.  SetObjects never deletes the object
// it replaces, so SetObjects(i, nullptr) takes an object back from an owning
// list.  A bad index raises EStringListError "List index out of bounds (<i>)".
class TStringList : public TStrings {
    VCL_DECLARE_CLASS(TStringList)

public:
    TStringList() = default;
    explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
    ~TStringList() override;

    Integer Add(const std::string& S) override;
    Integer AddObject(const std::string& S, TObject* AObject) override;
    void Clear() override;
    void Delete(Integer Index) override;
    void Insert(Integer Index, const std::string& S) override;
    void InsertObject(Integer Index, const std::string& S, TObject* AObject) override;
    void Exchange(Integer Index1, Integer Index2) override;
    void Move(Integer CurIndex, Integer NewIndex) override;
    Integer IndexOf(const std::string& S) const override;

    // Binary search of a sorted list: true when S is present, Index is then
    // its first occurrence; otherwise Index is where S would be inserted.
    // On an unsorted list it searches linearly (Index is Count() when S is
    // missing).
    bool Find(const std::string& S, Integer& Index) const;
    // Sorts (stably) an unsorted list; a sorted list is already in order.
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    // Setting true sorts the list (duplicates already in it stay).
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    // A sorted list is sorted again by the new rule.
    void SetCaseSensitive(bool Value);
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    Integer Capacity() const { return static_cast<Integer>(FList.capacity()); }
    // EStringListError "List capacity out of bounds (<n>)" below Count().
    void SetCapacity(Integer NewCapacity);

    const TNotifyEvent& OnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
    const TNotifyEvent& OnChanging() const { return FOnChanging; }
    void SetOnChanging(TNotifyEvent Handler) { FOnChanging = std::move(Handler); }

protected:
    std::string Get(Integer Index) const override;
    Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
    TObject* GetObject(Integer Index) const override;
    void Put(Integer Index, const std::string& S) override;
    void PutObject(Integer Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const std::string& S1, const std::string& S2) const override;
    void ReplaceEntry(Integer Index, const std::string& S) override;
    void SetLines(const std::vector<std::string>& Lines) override;
    bool OwnsItemObjects() const override { return FOwnsObjects; }

    // Fire OnChanging / OnChange (or note the change during an update).
    virtual void Changing();
    virtual void Changed();

private:
    struct TStringItem {
        std::string FString;
        TObject* FObject = nullptr;
    };

    void CheckIndex(Integer Index) const;
    void CheckNotSorted() const;
    // The index where S goes in the sorted list, honouring Duplicates;
    // -1 with Existing set when S is ignored as a duplicate.
    Integer SortedInsertIndex(const std::string& S, Integer& Existing) const;
    void InsertItem(Integer Index, const std::string& S, TObject* AObject);
    void SortItems(const std::function<bool(Integer, Integer)>& Less);
    void FreeObjects(std::vector<TStringItem>& Items);

    std::vector<TStringItem> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FUpdateChanging = false;  // OnChanging fired in the current update
    bool FUpdateChanged = false;   // something changed in the current update
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};

}  // namespace vcl
