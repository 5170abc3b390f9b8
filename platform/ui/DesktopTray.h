#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <wx/bmpbndl.h>
#include <wx/icon.h>
#include <wx/string.h>

class wxEvtHandler;
class wxMenu;
class wxGenericNotificationMessage;
class wxNotificationMessage;
class wxTaskBarIcon;
class wxWindow;

namespace vorn::platform {

// The one owner of the program's place in the notification area: the icon, its menu and the
// balloon. Where the desktop has no tray the icon counts as not added, and the owner decides
// what the window does instead. A balloon is a desktop notification; without a notification
// service it is shown by wxWidgets' own pop-up.
class DesktopTray {
public:
    struct Handlers {
        std::function<void()> leftClick;
        // Builds the menu shown on a right click; the tray owns and deletes it.
        std::function<wxMenu*()> buildMenu;
        std::function<void(int id)> menuCommand;
    };

    // parent: the window the balloons belong to.
    DesktopTray(wxWindow* parent, Handlers handlers);
    ~DesktopTray();
    DesktopTray(const DesktopTray&) = delete;
    DesktopTray& operator=(const DesktopTray&) = delete;

    // Whether the desktop shows tray icons. Tests override it.
    static bool IsAvailable();
    static void OverrideAvailability(std::optional<bool> available);

    // Adds the icon. False when there is no tray or the icon is already there, as the
    // platform's own addition refuses a second one.
    bool Add(const wxBitmapBundle& icon, const wxString& tip);
    // Changes the icon or its tip. False when it is not added.
    bool Modify(const wxBitmapBundle& icon, const wxString& tip);
    void Remove();
    bool IsAdded() const { return added_; }
    // The icon last set, for tests.
    const wxBitmapBundle& image() const { return image_; }

    // Shows a balloon, from the icon where there is one, as a plain desktop notification where
    // there is none. False when it could not be shown.
    bool ShowBalloon(const wxString& title, const wxString& text, int timeoutMs);
    // The text of the last balloon shown, for tests and logs.
    const wxString& lastBalloon() const { return lastBalloon_; }

    // The menu that a right click shows, built fresh; the caller owns it.
    wxMenu* BuildMenu() const;

    // The icon object that receives the toolkit's mouse events; null until it is first added.
    wxEvtHandler* IconEvents() const;

private:
    class Icon;

    wxWindow* parent_;
    Handlers handlers_;
    std::unique_ptr<Icon> icon_;
    std::unique_ptr<wxNotificationMessage> balloon_;
    std::unique_ptr<wxGenericNotificationMessage> fallbackBalloon_;
    bool added_ = false;
    wxBitmapBundle image_;
    wxString tip_;
    wxString lastBalloon_;
};

}  // namespace vorn::platform
