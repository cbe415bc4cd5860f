// What assistive technology (a screen reader over AT-SPI) is told of the windows that draw
// themselves: an accessible interface for every SWindow built from its accessibility(), and for
// the platform's self-drawn widgets from a describer registered with them. The name a window's
// owner gives it (SetAccessibleLabel: the label drawn beside the control) comes before the name
// the window tells itself.
#pragma once

#include "toolkit/window/SWindow.h"

#include <string>

namespace hv::tk {

// Installs the interfaces' factory (once; every SWindow's construction asks for it).
void InstallAccessibility();

// How a widget that is not an SWindow but draws itself is told.
using Describer = Accessible (*)(const QWidget* widget);
void SetDescriber(QWidget* widget, Describer describer);

// A label as a name: the text drawn beside a control without its trailing colon or dots and with
// "&&" as one "&" ("Repeat:" names "Repeat", "Stop && Reset All..." names "Stop & Reset All").
QString LabelName(const std::u16string& label);
// Names a window or a platform control after the label drawn beside it.
void SetAccessibleLabel(HWND hwnd, const std::u16string& label);

// The name a window is told by: its owner's, else its own.
QString AccessibleNameOf(const QWidget* widget);

// Tells a listening screen reader that a window's value (a list's choice, a picker's time, the
// shown page) or its name (the client area's view) changed.
void AccessibleValueChanged(QWidget* widget);
void AccessibleNameChanged(QWidget* widget);

} // namespace hv::tk
