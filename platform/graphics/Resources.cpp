// Resources.cpp - the process-wide resource store.
#include "Resources.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <utility>

#include "Exceptions.h"
#include "SysUtils.h"

namespace vcl {

// ---------------------------------------------------------------------------
// TResourceName

namespace {

bool ParseNumber(const std::string& S, int32_t& Id) {
    // "#123": the resource number 123.
    if (S.size() < 2 || S[0] != '#') return false;
    int64_t v = 0;
    for (size_t i = 1; i < S.size(); ++i) {
        if (S[i] < '0' || S[i] > '9') return false;
        v = v * 10 + (S[i] - '0');
        if (v > 0xFFFF) return false;
    }
    Id = int32_t(v);
    return true;
}

}  // namespace

TResourceName::TResourceName(const char* Name) {
    // A "pointer" below 0x10000 is a resource number in disguise
    // (MAKEINTRESOURCE), never a string to read.
    const auto v = reinterpret_cast<uintptr_t>(Name);
    if (v < 0x10000) {
        *this = TResourceName(int32_t(v));
        return;
    }
    *this = TResourceName(std::string(Name));
}

TResourceName::TResourceName(const std::string& Name) {
    int32_t id;
    if (ParseNumber(Name, id)) {
        FIsId = true;
        FId = id;
        FKey = "#" + std::to_string(id);
        FText = std::to_string(id);
        return;
    }
    FKey = UpperCase(Name);
    FText = Name;
}

TResourceName::TResourceName(int32_t Id)
    : FIsId(true), FId(Id), FKey("#" + std::to_string(Id)), FText(std::to_string(Id)) {}

// ---------------------------------------------------------------------------
// The store

namespace {

struct TStore {
    std::mutex Lock;
    std::map<std::pair<TResourceType, std::string>, TResourceData> Items;
};

TStore& Store() {
    static TStore* s = new TStore;  // lives to the very end: packages unregister late
    return *s;
}

void CheckName(const TResourceName& Name) {
    if (Name.IsId()) {
        if (Name.Id() < 0 || Name.Id() > 0xFFFF)
            throw EInvalidOperation("Resource number " + Name.Text() + " is out of range");
    } else if (Name.Key().empty()) {
        throw EInvalidOperation("Resource name is empty");
    }
}

}  // namespace

void RegisterResource(TResourceType Kind, const TResourceName& Name, std::vector<uint8_t> Data) {
    CheckName(Name);
    TStore& s = Store();
    std::lock_guard<std::mutex> g(s.Lock);
    auto key = std::make_pair(Kind, Name.Key());
    auto it = s.Items.find(key);
    if (it != s.Items.end()) {
        if (*it->second == Data) return;
        throw EInvalidOperation("Resource " + Name.Text() + " is already registered");
    }
    s.Items.emplace(std::move(key), std::make_shared<const std::vector<uint8_t>>(std::move(Data)));
}

void RegisterResource(TResourceType Kind, const TResourceName& Name, const void* Data, size_t Size) {
    if (!Data && Size) throw EInvalidOperation("Resource " + Name.Text() + " has no data");
    const auto* p = static_cast<const uint8_t*>(Data);
    RegisterResource(Kind, Name, std::vector<uint8_t>(p, p + Size));
}

bool UnregisterResource(TResourceType Kind, const TResourceName& Name) {
    TStore& s = Store();
    std::lock_guard<std::mutex> g(s.Lock);
    return s.Items.erase(std::make_pair(Kind, Name.Key())) > 0;
}

TResourceData FindResource(TResourceType Kind, const TResourceName& Name) {
    TStore& s = Store();
    std::lock_guard<std::mutex> g(s.Lock);
    auto it = s.Items.find(std::make_pair(Kind, Name.Key()));
    return it == s.Items.end() ? nullptr : it->second;
}

TResourceData LoadResource(TResourceType Kind, const TResourceName& Name) {
    TResourceData d = FindResource(Kind, Name);
    if (!d) throw EResNotFound("Resource " + Name.Text() + " not found");
    return d;
}

// ---------------------------------------------------------------------------
// TResourceStream

VCL_IMPLEMENT_CLASS(TResourceStream, TStream)

TResourceStream::TResourceStream(const TResourceName& Name, TResourceType Kind) : FData(LoadResource(Kind, Name)) {}

Int64 TResourceStream::Read(void* Buffer, Int64 Count) {
    const Int64 size = GetSize();
    if (Count <= 0 || FPosition >= size) return 0;
    const Int64 n = std::min(Count, size - FPosition);
    std::memcpy(Buffer, FData->data() + FPosition, size_t(n));
    FPosition += n;
    return n;
}

Int64 TResourceStream::Write(const void*, Int64) { throw EStreamError("Cannot write to a read-only resource stream"); }

Int64 TResourceStream::Seek(Int64 Offset, TSeekOrigin Origin) {
    Int64 base = 0;
    switch (Origin) {
        case soBeginning:
            base = 0;
            break;
        case soCurrent:
            base = FPosition;
            break;
        case soEnd:
            base = GetSize();
            break;
    }
    if ((Offset > 0 && base > std::numeric_limits<Int64>::max() - Offset))
        throw EStreamError("Invalid stream position");
    const Int64 target = base + Offset;
    CheckPosition(target);
    FPosition = target;
    return FPosition;
}

}  // namespace vcl
