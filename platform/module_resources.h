// The shape of a module's resources: its string table, its dialog templates and its bitmaps.
// The module describes them as plain data; the embedded platform loads them from that data and
// the Windows build writes its resource script from the same data.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <span>

struct StringResource {
    UINT id;
    const char* text;
};

// The kinds of control a template holds; each is one window class, and for buttons one
// button type.
enum class ControlKind {
    PushButton,
    DefaultPushButton,
    AutoCheckBox,
    AutoRadioButton,
    GroupBox,
    Static,
    Edit,
    ComboBox,
    ListBox,
};

// A control whose id is not used by code, as resource scripts write it.
constexpr int kUnnamedControlId = -1;

struct DialogControl {
    int id;
    ControlKind kind;
    const char* text;
    // Style bits beyond those of the kind (tab stop, group, read-only, multi-line, centred
    // text, drop-down...), with the platform's values.
    DWORD style;
    // Position and size in dialog units.
    short x;
    short y;
    short width;
    short height;
};

struct DialogTemplate {
    UINT id;
    const char* caption;
    DWORD style;
    DWORD extendedStyle;
    short x;
    short y;
    short width;
    short height;
    const char* fontName;
    WORD fontPoints;
    std::span<const DialogControl> controls;
};

// A bitmap with its bytes as a .bmp file holds them; no bytes yet means only the id is fixed.
struct BitmapResource {
    UINT id;
    std::span<const BYTE> bytes;
};

struct ModuleResources {
    std::span<const StringResource> strings;
    std::span<const DialogTemplate> dialogs;
    std::span<const BitmapResource> bitmaps;
};
