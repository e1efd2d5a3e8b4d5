#include "viewer/platform/system_colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace quillon::platform {

namespace {

struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    bool known;
};

constexpr PaletteEntry entry(QPalette::ColorGroup g, QPalette::ColorRole r) { return {g, r, true}; }
constexpr PaletteEntry kNoEntry{QPalette::Active, QPalette::NoRole, false};

constexpr QPalette::ColorGroup A = QPalette::Active;
constexpr QPalette::ColorGroup I = QPalette::Inactive;
constexpr QPalette::ColorGroup D = QPalette::Disabled;

// Index = the system colour's low byte; see the table in the header.
constexpr std::array<PaletteEntry, 31> kEntries = {{
    entry(A, QPalette::Button),           //  0 scroll bar
    entry(A, QPalette::Dark),             //  1 desktop background
    entry(A, QPalette::Highlight),        //  2 active caption
    entry(I, QPalette::Highlight),        //  3 inactive caption
    entry(A, QPalette::Window),           //  4 menu
    entry(A, QPalette::Base),             //  5 window
    entry(A, QPalette::Shadow),           //  6 window frame
    entry(A, QPalette::WindowText),       //  7 menu text
    entry(A, QPalette::Text),             //  8 window text
    entry(A, QPalette::HighlightedText),  //  9 caption text
    entry(A, QPalette::Window),           // 10 active border
    entry(I, QPalette::Window),           // 11 inactive border
    entry(A, QPalette::Dark),             // 12 application work space
    entry(A, QPalette::Highlight),        // 13 highlight
    entry(A, QPalette::HighlightedText),  // 14 highlight text
    entry(A, QPalette::Button),           // 15 button face
    entry(A, QPalette::Dark),             // 16 button shadow
    entry(D, QPalette::Text),             // 17 gray text
    entry(A, QPalette::ButtonText),       // 18 button text
    entry(I, QPalette::HighlightedText),  // 19 inactive caption text
    entry(A, QPalette::Light),            // 20 button highlight
    entry(A, QPalette::Shadow),           // 21 3-D dark shadow
    entry(A, QPalette::Midlight),         // 22 3-D light
    entry(A, QPalette::ToolTipText),      // 23 info text
    entry(A, QPalette::ToolTipBase),      // 24 info background
    kNoEntry,                             // 25 none
    entry(A, QPalette::Link),             // 26 hot light
    entry(A, QPalette::Highlight),        // 27 gradient of the active caption
    entry(I, QPalette::Highlight),        // 28 gradient of the inactive caption
    entry(A, QPalette::Highlight),        // 29 menu highlight
    entry(A, QPalette::Window),           // 30 menu bar
}};

}  // namespace

QColor systemColor(int index) {
    if (index < 0 || index >= int(kEntries.size()) || !kEntries[size_t(index)].known) return QColor(Qt::black);
    const PaletteEntry& e = kEntries[size_t(index)];
    const QPalette palette = qGuiApp ? QGuiApplication::palette() : QPalette(QColor(240, 240, 240));
    return palette.color(e.group, e.role);
}

QColor resolvedColor(std::uint32_t value) {
    if ((value >> 24) == 0xFFu) return systemColor(int(value & 0xFF));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

}  // namespace quillon::platform
