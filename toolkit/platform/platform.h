// The platform controls the dialogs and the toolkit's own controls stand on, one a file: check
// box, push button and edit, the date-and-time picker, the tab control, the tree view, and the
// message box service.
#pragma once

#include "toolkit/platform/buttons.h"
#include "toolkit/platform/control.h"
#include "toolkit/platform/datetimepick.h"
#include "toolkit/platform/messageboxes.h"
#include "toolkit/platform/tabs.h"
#include "toolkit/platform/treeview.h"
