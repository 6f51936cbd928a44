// System.h - the root of the class hierarchy and the basic types.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace vcl {

class TMetaClass;  // run-time class information, defined in TypInfo.h

using Integer = int32_t;
using Cardinal = uint32_t;
using DWORD = uint32_t;
using Word = uint16_t;
using Byte = uint8_t;
using Int64 = int64_t;
using Extended = long double;
using TDateTime = double;  // days since 1899-12-30, the fraction is the time of day

// Declares the run-time class information of a class.  Use it in the class
// body of every class that the streaming system or the class registry must
// know by name; the definition comes from VCL_IMPLEMENT_CLASS (TypInfo.h).
#define VCL_DECLARE_CLASS(ThisClass)                              \
public:                                                           \
    static const ::vcl::TMetaClass& StaticClass();                \
    const ::vcl::TMetaClass& ClassType() const override;          \
                                                                  \
private:

// The root of every class of the platform and the pack.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static const TMetaClass& StaticClass();
    virtual const TMetaClass& ClassType() const;

    // The class name as registered ("TObject", "TCvMathParser").
    std::string ClassName() const;
    // True when this object is an instance of Class or of a class derived from it.
    bool InheritsFrom(const TMetaClass& Class) const;
};

// The nearest whole number, halves to the even neighbour (2.5 gives 2,
// 3.5 gives 4), as the classic Round does.
inline int64_t Round(double Value) { return static_cast<int64_t>(std::nearbyint(Value)); }

}  // namespace vcl
