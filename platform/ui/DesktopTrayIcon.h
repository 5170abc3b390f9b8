#pragma once

// The tray's icon object, shared by the tray's parts on each platform; not for other users.

#include <wx/menu.h>
#include <wx/taskbar.h>

#include "platform/ui/DesktopTray.h"

namespace vorn::platform {

class DesktopTray::Icon : public wxTaskBarIcon {
public:
    explicit Icon(DesktopTray& owner) : owner_(owner) {
        // GTK's status icon reports a click as LEFT_DOWN (and a double click only when that
        // went unhandled); it never sends LEFT_UP.
#ifdef __WXGTK__
        const auto leftClick = wxEVT_TASKBAR_LEFT_DOWN;
#else
        const auto leftClick = wxEVT_TASKBAR_LEFT_UP;
#endif
        Bind(leftClick, [this](wxTaskBarIconEvent&) {
            if (owner_.handlers_.leftClick) {
                owner_.handlers_.leftClick();
            }
        });
        Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
            if (owner_.handlers_.menuCommand) {
                owner_.handlers_.menuCommand(event.GetId());
            }
        });
    }

protected:
    // wxWidgets shows this menu on a right click and deletes it afterwards.
    wxMenu* CreatePopupMenu() override {
        return owner_.BuildMenu();
    }

private:
    DesktopTray& owner_;
};

}  // namespace vorn::platform
