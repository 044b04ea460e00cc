#include "app/PageDialogs.h"

#include "common/Translation.h"
#include "platform/Dialogs.h"

namespace brimble {

PageDialogAnswer answerPageDialog(Dialogs& dialogs, const PageDialogRequest& request)
{
    PageDialogAnswer answer;
    switch (request.kind) {
    case PageDialogKind::Alert:
        dialogs.runAlert({request.message, "", {_("OK")}});
        break;
    case PageDialogKind::Confirm:
        answer.confirmed = dialogs.runAlert({request.message, "", {_("OK"), _("Cancel")}}) == 0;
        break;
    case PageDialogKind::Prompt:
        answer.text = dialogs.runPrompt(request.message, request.defaultText);
        break;
    }
    return answer;
}

} // namespace brimble
