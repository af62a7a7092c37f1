// Shows one of the saver's dialogs on its own, for screenshots: dialog_preview 2003|3000|103.
// The image list dialog shows what the settings hold, as inside the configuration dialog.
#include "resources/resource.h"
#include "screensaver/ConfigureDialog.h"
#include "screensaver/ImagesDialog.h"
#include "screensaver/shared.h"

#include <cstdlib>

static INT_PTR ShowDialog(int templateId, DLGPROC procedure)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, procedure, 0);
}

int main(int argc, char** argv)
{
    int templateId = argc > 1 ? atoi(argv[1]) : 0;
    switch (templateId) {
    case DLG_CONFIGURE:
        return static_cast<int>(ShowDialog(DLG_CONFIGURE, ScreenSaverConfigureDialog));
    case DLG_ABOUT:
        return static_cast<int>(ShowDialog(DLG_ABOUT, AboutDialogProc));
    case DLG_IMAGES: {
        OpenKeys();
        INT_PTR result = ShowDialog(DLG_IMAGES, ImagesDialogProc);
        CloseKeys();
        return static_cast<int>(result);
    }
    default:
        return 2;
    }
}
