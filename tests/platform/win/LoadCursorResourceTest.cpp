#include <gtest/gtest.h>

#include "ImageCodecs.h"
#include "Resources.h"
#include "Windows.h"

using namespace vcl;

namespace {

TIconImage Square(int Size, int HotX, int HotY, uint32_t Colour) {
    TIconImage img;
    img.Width = img.Height = Size;
    img.Pixels.assign(size_t(Size) * size_t(Size), 0xFF000000u | Colour);
    img.Mask.assign(img.Pixels.size(), 0);
    img.Mask[0] = 1;  // one transparent corner
    img.HotSpotX = HotX;
    img.HotSpotY = HotY;
    return img;
}

struct StoreCursor : ::testing::Test {
    void TearDown() override {
        UnregisterResource(RT_GROUP_CURSOR, "TestPointer");
        UnregisterResource(RT_GROUP_CURSOR, 4711);
    }
};

}  // namespace

TEST_F(StoreCursor, LoadsTheImageNearest32AndSharesIt) {
    const auto bytes = WriteIco({Square(16, 1, 2, 0xFF0000), Square(32, 6, 0, 0x00FF00)}, 32, TIconKind::Cursor);
    RegisterResource(RT_GROUP_CURSOR, "TestPointer", bytes);
    HCURSOR c = LoadCursor(nullptr, "testpointer");  // names ignore case
    ASSERT_NE(c, nullptr);
    TSize size;
    ASSERT_TRUE(GetIconSize(c, &size));
    EXPECT_EQ(size.cx, 32);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(c, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    EXPECT_EQ(LoadCursor(nullptr, "TestPointer"), c) << "shared while the bytes stay";
    // New bytes under the same name make a new cursor.
    UnregisterResource(RT_GROUP_CURSOR, "TestPointer");
    RegisterResource(RT_GROUP_CURSOR, "TestPointer", WriteIco({Square(32, 3, 3, 0x0000FF)}, 32, TIconKind::Cursor));
    HCURSOR d = LoadCursor(nullptr, "TestPointer");
    ASSERT_NE(d, nullptr);
    EXPECT_NE(d, c);
}

TEST_F(StoreCursor, NumbersWithAnInstanceAndFailures) {
    RegisterResource(RT_GROUP_CURSOR, 4711, WriteIco({Square(32, 0, 0, 0)}, 32, TIconKind::Cursor));
    HINSTANCE self = reinterpret_cast<HINSTANCE>(uintptr_t(0x400000));
    EXPECT_NE(LoadCursor(self, MAKEINTRESOURCE(4711)), nullptr);
    EXPECT_EQ(LoadCursor(nullptr, "NoSuchCursor"), nullptr);
    EXPECT_EQ(LoadCursor(self, nullptr), nullptr);
    // Not a cursor: an icon file, and bytes that are no file at all.
    RegisterResource(RT_GROUP_CURSOR, "TestPointer", WriteIco({Square(32, 0, 0, 0)}, 32, TIconKind::Icon));
    EXPECT_EQ(LoadCursor(nullptr, "TestPointer"), nullptr);
    UnregisterResource(RT_GROUP_CURSOR, "TestPointer");
    const std::vector<uint8_t> junk = {0, 0, 2, 0, 1, 0, 32, 32, 0xFF, 0xFF, 0xFF, 0xFF};
    RegisterResource(RT_GROUP_CURSOR, "TestPointer", junk);
    EXPECT_EQ(LoadCursor(nullptr, "TestPointer"), nullptr);
    // The predefined cursors are untouched.
    EXPECT_NE(LoadCursor(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), LoadCursor(nullptr, IDC_ARROW));
}
