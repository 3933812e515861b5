#include "app/picture_dialog_part.h"

#include "platform/message_box.h"

namespace app {

bool PictureDialogPart(std::string& photoPath, platform::FileChooser& fileChooser,
                       platform::DialogWindow& dialog, std::uint32_t message,
                       platform::WPARAM wParam, platform::LPARAM) {
    if (message == platform::WM_INITDIALOG) {
        dialog.LimitItemText(kPicturePathEditId, static_cast<int>(kMaxPicturePathLength));
        dialog.SetItemText(kPicturePathEditId, photoPath);
        return false;
    }
    if (message != platform::WM_COMMAND) {
        return false;
    }
    switch (static_cast<int>(wParam & 0xFFFF)) {
        case kBrowsePictureId: {
            const auto chosen = fileChooser.ChooseFileToOpen(
                dialog.Handle(), platform::ParseFileFilter(kPictureFilter), true);
            if (chosen && !chosen->empty() && chosen->size() <= kMaxPicturePathLength) {
                photoPath = *chosen;
                dialog.SetItemText(kPicturePathEditId, photoPath);
            }
            break;
        }
        case kRestoreDefaultPictureId:
            photoPath.clear();
            dialog.SetItemText(kPicturePathEditId, photoPath);
            break;
        case platform::IDOK: {
            std::string typed = dialog.GetItemText(kPicturePathEditId);
            if (typed.size() <= kMaxPicturePathLength) {
                photoPath = std::move(typed);
            }
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace app
