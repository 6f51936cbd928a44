// Resources.h - the resource store: bitmaps, icons, cursors and raw data
// that a package registers when it is loaded and its components find again
// by name or number.
//
// A resource is identified by its kind and a name or a number:
//   - names compare without regard to ASCII case ("LedOn" finds "LEDON");
//   - a number is 0..65535; the name "#123" stands for the number 123.
// The bytes are stored as registered:
//   RT_BITMAP        a BMP file, or a DIB without the file header
//   RT_GROUP_ICON    an ICO file
//   RT_GROUP_CURSOR  a CUR file
//   RT_RCDATA        anything
// The store is shared by the whole process and safe to use from several
// threads.  Data handed out stays valid as long as the caller holds it, even
// when the resource is unregistered meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Streams.h"

namespace vcl {

using TResourceType = int32_t;
constexpr TResourceType RT_CURSOR = 1;
constexpr TResourceType RT_BITMAP = 2;
constexpr TResourceType RT_ICON = 3;
constexpr TResourceType RT_RCDATA = 10;
constexpr TResourceType RT_GROUP_CURSOR = 12;
constexpr TResourceType RT_GROUP_ICON = 14;

// A resource name or number.  A const char* whose value is below 0x10000
// is taken as a number, as MAKEINTRESOURCE makes them (nullptr is 0).
class TResourceName {
public:
    TResourceName(const char* Name);
    TResourceName(const std::string& Name);
    TResourceName(int32_t Id);

    bool IsId() const { return FIsId; }
    int32_t Id() const { return FId; }
    // The name in upper case, or "#<number>" for a number.
    const std::string& Key() const { return FKey; }
    // As shown in messages: the name as given, or the number.
    const std::string& Text() const { return FText; }

private:
    bool FIsId = false;
    int32_t FId = 0;
    std::string FKey;
    std::string FText;
};

using TResourceData = std::shared_ptr<const std::vector<uint8_t>>;

// Registers a resource.  Registering the same bytes again under the same
// kind and name changes nothing; different bytes raise EInvalidOperation
// "Resource NAME is already registered" (unregister it first).  An empty
// name or a number outside 0..65535 raises EInvalidOperation.
void RegisterResource(TResourceType Kind, const TResourceName& Name, const void* Data, size_t Size);
void RegisterResource(TResourceType Kind, const TResourceName& Name, std::vector<uint8_t> Data);
// Removes a resource; false when there was none.
bool UnregisterResource(TResourceType Kind, const TResourceName& Name);

// The bytes of a resource, or nullptr when there is none.
TResourceData FindResource(TResourceType Kind, const TResourceName& Name);
// The bytes of a resource; EResNotFound "Resource NAME not found" when there
// is none.
TResourceData LoadResource(TResourceType Kind, const TResourceName& Name);

// A read-only stream over a resource (EResNotFound when there is none).
class TResourceStream : public TStream {
    VCL_DECLARE_CLASS(TResourceStream)
public:
    TResourceStream(const TResourceName& Name, TResourceType Kind);

    Int64 Read(void* Buffer, Int64 Count) override;
    // Raises EStreamError "Cannot write to a read-only resource stream".
    Int64 Write(const void* Buffer, Int64 Count) override;
    Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;

    const void* Memory() const { return FData->data(); }

protected:
    Int64 GetPosition() const override { return FPosition; }
    Int64 GetSize() const override { return static_cast<Int64>(FData->size()); }

private:
    TResourceData FData;
    Int64 FPosition = 0;
};

}  // namespace vcl
