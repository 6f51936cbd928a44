// CvDisplayResources.h - the pictures the display controls load from the
// resource store: seven-segment digit bitmaps, the LEDS digit strip, the
// lamp pictures of the office label and the hand cursor of the link label.
//
// Every picture is drawn by code in CvDisplayResources.cpp and registered
// in the platform's resource store (Resources.h):
//   RT_BITMAP 100..109, 110       large digits 0..9 and a blank cell, 15 x 22, 24 bits
//   RT_BITMAP 200..209, 210       small digits 0..9 and a blank cell, 11 x 17, 24 bits
//   RT_BITMAP "LEDS"              the digit strip, 188 x 32, 4 bits
//   RT_BITMAP "OFFRND" "ONRND" "DOWNRND"          round lamp, 20 x 16, 4 bits
//   RT_BITMAP "OFF3DWN" "ON3DWN" "DOWN3DWN"       triangle down, 20 x 11, 4 bits
//   RT_BITMAP "OFF3UP" "ON3UP" "DOWN3UP"          triangle up, 20 x 11, 4 bits
//   RT_GROUP_CURSOR "crHand"      pointing hand, 32 x 32, 1 bit, hot spot (6, 0)
// Digits: lit segments cyan (0, 255, 255) on black, unlit segments a
// checkerboard of grey (128, 128, 128) and black.  The strip: digit d at
// x = 16d (15 columns of art and a black column), the blank digit at
// 160..175, a lit point at 177..179 and an unlit one at 183..185; lit parts
// cyan, unlit parts teal (0, 128, 128).  Lamps: yellow (255, 255, 0) is the
// background key.
#pragma once

namespace corvane {

// Registers every picture above.  Runs once per process however often it is
// called and from however many threads; the package does it when it is
// loaded, and each display unit calls it again before it loads a picture.
// The bytes are the same on every run.  When a resource of the same name
// was registered with other bytes, the EInvalidOperation of the store
// propagates (and a later call tries again).
void RegisterDisplayResources();

}  // namespace corvane
