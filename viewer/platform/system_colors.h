// System colours: colour values whose top byte is FF name a colour of the
// desktop by an index in their low byte (the button face, window text, ...).
// They are drawn with the matching colour of the application's QPalette, so a
// palette that uses them follows the desktop's colour scheme.
#pragma once

#include <QColor>
#include <cstdint>

namespace quillon::platform {

// The desktop colour of system colour `index` (the low byte of the value):
//
//   index  name                       QPalette group / role
//    0     clScrollBar                Active Button
//    1     clBackground               Active Dark
//    2     clActiveCaption            Active Highlight
//    3     clInactiveCaption          Inactive Highlight
//    4     clMenu                     Active Window
//    5     clWindow                   Active Base
//    6     clWindowFrame              Active Shadow
//    7     clMenuText                 Active WindowText
//    8     clWindowText               Active Text
//    9     clCaptionText              Active HighlightedText
//   10     clActiveBorder             Active Window
//   11     clInactiveBorder           Inactive Window
//   12     clAppWorkSpace             Active Dark
//   13     clHighlight                Active Highlight
//   14     clHighlightText            Active HighlightedText
//   15     clBtnFace                  Active Button
//   16     clBtnShadow                Active Dark
//   17     clGrayText                 Disabled Text
//   18     clBtnText                  Active ButtonText
//   19     clInactiveCaptionText      Inactive HighlightedText
//   20     clBtnHighlight             Active Light
//   21     cl3DDkShadow               Active Shadow
//   22     cl3DLight                  Active Midlight
//   23     clInfoText                 Active ToolTipText
//   24     clInfoBk                   Active ToolTipBase
//   26     clHotLight                 Active Link
//   27     clGradientActiveCaption    Active Highlight
//   28     clGradientInactiveCaption  Inactive Highlight
//   29     clMenuHighlight            Active Highlight
//   30     clMenuBar                  Active Window
//
// Any other index (25, 31 to 255) names no desktop colour and is black.
// Without a running application a fixed light palette stands in for the
// desktop's.
QColor systemColor(int index);

// The colour a colour value is drawn with: a system colour (top byte FF)
// through systemColor, any other value by its red, green and blue bytes.
QColor resolvedColor(std::uint32_t value);

}  // namespace quillon::platform
