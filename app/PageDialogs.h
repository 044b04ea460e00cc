#pragma once

#include "platform/AppDelegate.h"

namespace brimble {

class Dialogs;

// Answers the page's alert, confirm and prompt with modal dialogs.
PageDialogAnswer answerPageDialog(Dialogs& dialogs, const PageDialogRequest& request);

} // namespace brimble
