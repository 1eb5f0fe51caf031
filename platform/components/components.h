// The component layer in one include: the component model, graphics, controls, forms, the
// application object, timers, dialogs, the standard and common controls and form tables.
#pragma once

#include "platform/components/classes.h"
#include "platform/components/comctrls.h"
#include "platform/components/controls.h"
#include "platform/components/dialogs.h"
#include "platform/components/form_table.h"
#include "platform/components/graphics.h"
#include "platform/components/hint_window.h"
#include "platform/components/std_ctrls.h"
