#include "app/wx/tests/gui/GuiHarness.h"

// Before X11's headers, whose macros (None, Status...) clash with these.
#include "interfaces/opc/rpc/OpcMarshalers.h"
#include "platform/rpc/RpcRuntime.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <wx/app.h>
#include <wx/aui/auibar.h>
#include <wx/aui/framemanager.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataview.h>
#include <wx/treectrl.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/toplevel.h>

#include "app/shell/TessalyCommandLine.h"
#include "app/wx/MainFrame.h"
#include "app/wx/TessalyWxApp.h"

namespace tessaly::gui {

namespace {

constexpr int kPollMs = 50;
// A loop that runs no timer for this long is stuck (a modal loop of ours that never returns).
constexpr long long kStuckMs = 60000;
std::atomic<long long> g_lastPoll{0};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Display* Dpy(void* display) { return static_cast<Display*>(display); }

KeySym KeySymOf(int key) {
  if (key >= WXK_F1 && key <= WXK_F24) return XK_F1 + (key - WXK_F1);
  switch (key) {
    case WXK_RETURN:
      return XK_Return;
    case WXK_NUMPAD_ENTER:
      return XK_KP_Enter;
    case WXK_ESCAPE:
      return XK_Escape;
    case WXK_TAB:
      return XK_Tab;
    case WXK_BACK:
      return XK_BackSpace;
    case WXK_DELETE:
      return XK_Delete;
    case WXK_SPACE:
      return XK_space;
    case WXK_LEFT:
      return XK_Left;
    case WXK_RIGHT:
      return XK_Right;
    case WXK_UP:
      return XK_Up;
    case WXK_DOWN:
      return XK_Down;
    case WXK_HOME:
      return XK_Home;
    case WXK_END:
      return XK_End;
    case WXK_PAGEUP:
      return XK_Page_Up;
    case WXK_PAGEDOWN:
      return XK_Page_Down;
    default:
      break;
  }
  // Letters name their key (the lower-case symbol); Shift is a modifier of its own.
  if (key >= 'A' && key <= 'Z') return XK_a + (key - 'A');
  return static_cast<KeySym>(key);
}

wxString Strip(const wxString& label) {
  wxString text = wxStripMenuCodes(label, wxStrip_All);
  text.Replace("_", "");
  return text.Trim().Trim(false);
}

wxString SafeName(const std::string& name) {
  wxString out;
  for (char c : name) out += (std::isalnum(static_cast<unsigned char>(c)) != 0) ? wxUniChar(c) : wxUniChar('-');
  return out;
}

void CollectWidgets(GtkWidget* widget, std::vector<GtkWidget*>& out) {
  out.push_back(widget);
  if (GTK_IS_CONTAINER(widget)) {
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) { CollectWidgets(child, *static_cast<std::vector<GtkWidget*>*>(data)); },
        &out);
  }
}

// A menu entry's label as shown against a path element ("*part": the label contains part).
bool LabelMatches(wxMenuItem* item, const wxString& wanted) {
  if (item->IsSeparator()) return false;
  const wxString label = Strip(item->GetItemLabelText());
  return wanted.StartsWith("*") ? label.Contains(wanted.Mid(1)) : label == wanted;
}

GtkWidget* FocusedEntry(GtkWindow* window) {
  GtkWidget* focus = window != nullptr ? gtk_window_get_focus(window) : nullptr;
  return focus != nullptr && GTK_IS_ENTRY(focus) ? focus : nullptr;
}

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// CXInput

CXInput::CXInput() : m_display(XOpenDisplay(nullptr)) {}

CXInput::~CXInput() {
  if (m_display != nullptr) XCloseDisplay(Dpy(m_display));
}

void CXInput::Flush() {
  // Synced: the server has taken the events (and queued what they cause) when this returns.
  if (m_display != nullptr) XSync(Dpy(m_display), False);
}

void CXInput::MoveTo(const wxPoint& screen) {
  if (m_display == nullptr) return;
  XTestFakeMotionEvent(Dpy(m_display), -1, screen.x, screen.y, CurrentTime);
  Flush();
}

void CXInput::ButtonDown(int button) {
  if (m_display == nullptr) return;
  XTestFakeButtonEvent(Dpy(m_display), static_cast<unsigned>(button), True, CurrentTime);
  Flush();
}

void CXInput::ButtonUp(int button) {
  if (m_display == nullptr) return;
  XTestFakeButtonEvent(Dpy(m_display), static_cast<unsigned>(button), False, CurrentTime);
  Flush();
}

std::vector<unsigned> CXInput::ModifierCodes(int modifiers) {
  Display* d = Dpy(m_display);
  std::vector<unsigned> held;
  if (modifiers & wxMOD_CONTROL) held.push_back(XKeysymToKeycode(d, XK_Control_L));
  if (modifiers & wxMOD_SHIFT) held.push_back(XKeysymToKeycode(d, XK_Shift_L));
  if (modifiers & wxMOD_ALT) held.push_back(XKeysymToKeycode(d, XK_Alt_L));
  return held;
}

void CXInput::Click(const wxPoint& screen, int button, int count, int modifiers) {
  if (m_display == nullptr) return;
  MoveTo(screen);
  const std::vector<unsigned> held = ModifierCodes(modifiers);
  for (unsigned m : held) KeyCode(m, true);
  for (int i = 0; i < count; ++i) {
    ButtonDown(button);
    ButtonUp(button);
  }
  for (auto it = held.rbegin(); it != held.rend(); ++it) KeyCode(*it, false);
  Flush();
}

void CXInput::Wheel(const wxPoint& screen, int notches) {
  MoveTo(screen);
  // X reports the wheel as buttons 4 (up) and 5 (down).
  for (int i = 0; i < std::abs(notches); ++i) {
    ButtonDown(notches > 0 ? 5 : 4);
    ButtonUp(notches > 0 ? 5 : 4);
  }
}

void CXInput::KeyCode(unsigned code, bool down) {
  XTestFakeKeyEvent(Dpy(m_display), code, down ? True : False, CurrentTime);
}

void CXInput::Key(int key, int modifiers) {
  if (m_display == nullptr) return;
  Display* d = Dpy(m_display);
  const std::vector<unsigned> held = ModifierCodes(modifiers);
  const unsigned code = XKeysymToKeycode(d, KeySymOf(key));
  if (code == 0) {
    std::printf("warn no key for code %d\n", key);
    return;
  }
  for (unsigned m : held) KeyCode(m, true);
  KeyCode(code, true);
  KeyCode(code, false);
  for (auto it = held.rbegin(); it != held.rend(); ++it) KeyCode(*it, false);
  Flush();
}

void CXInput::Type(const wxString& text) {
  if (m_display == nullptr) return;
  Display* d = Dpy(m_display);
  const unsigned shift = XKeysymToKeycode(d, XK_Shift_L);
  for (wxUniChar c : text) {
    const KeySym sym = c == ' ' ? XK_space : static_cast<KeySym>(c.GetValue());
    const unsigned code = XKeysymToKeycode(d, sym);
    if (code == 0) continue;
    const bool needsShift = XkbKeycodeToKeysym(d, static_cast<::KeyCode>(code), 0, 0) != sym;
    if (needsShift) KeyCode(shift, true);
    KeyCode(code, true);
    KeyCode(code, false);
    if (needsShift) KeyCode(shift, false);
  }
  Flush();
}

bool CXInput::RowPainted(int x, int y, int width) {
  if (m_display == nullptr) return true;
  Display* d = Dpy(m_display);
  const int screenWidth = DisplayWidth(d, DefaultScreen(d));
  const int screenHeight = DisplayHeight(d, DefaultScreen(d));
  const int left = std::max(0, x);
  const int right = std::min(screenWidth, x + width);
  if (right <= left || y < 0 || y >= screenHeight) return true;
  XImage* image = XGetImage(d, DefaultRootWindow(d), left, y, static_cast<unsigned>(right - left), 1, AllPlanes, ZPixmap);
  if (image == nullptr) return true;
  bool painted = false;
  for (int i = 0; i < right - left && !painted; ++i) painted = XGetPixel(image, i, 0) != 0;
  XDestroyImage(image);
  return painted;
}

bool CXInput::GrabScreen(wxImage& image) {
  if (m_display == nullptr) return false;
  Display* d = Dpy(m_display);
  const int width = DisplayWidth(d, DefaultScreen(d));
  const int height = DisplayHeight(d, DefaultScreen(d));
  XImage* shot = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                           AllPlanes, ZPixmap);
  if (shot == nullptr) return false;
  auto shift = [](unsigned long mask) {
    int n = 0;
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      ++n;
    }
    return n;
  };
  const int rs = shift(shot->red_mask);
  const int gs = shift(shot->green_mask);
  const int bs = shift(shot->blue_mask);
  image.Create(width, height, false);
  unsigned char* out = image.GetData();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned long pixel = XGetPixel(shot, x, y);
      *out++ = static_cast<unsigned char>((pixel & shot->red_mask) >> rs);
      *out++ = static_cast<unsigned char>((pixel & shot->green_mask) >> gs);
      *out++ = static_cast<unsigned char>((pixel & shot->blue_mask) >> bs);
    }
  }
  XDestroyImage(shot);
  return true;
}

wxColour CXInput::Pixel(const wxPoint& screen) {
  if (m_display == nullptr) return wxColour();
  Display* d = Dpy(m_display);
  XImage* image = XGetImage(d, DefaultRootWindow(d), screen.x, screen.y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return wxColour();
  const unsigned long pixel = XGetPixel(image, 0, 0);
  auto channel = [pixel](unsigned long mask) {
    unsigned long value = pixel & mask;
    while (mask != 0 && (mask & 1) == 0) {
      mask >>= 1;
      value >>= 1;
    }
    return static_cast<unsigned char>(value);
  };
  wxColour colour(channel(image->red_mask), channel(image->green_mask), channel(image->blue_mask));
  XDestroyImage(image);
  return colour;
}

namespace {

Atom AtomOf(Display* d, const char* name) { return XInternAtom(d, name, False); }

void SendClientMessage(Display* d, Window to, Atom type, const long (&data)[5]) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = d;
  event.xclient.window = to;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
  XSendEvent(d, to, False, NoEventMask, &event);
}

}  // namespace

void CXInput::BeginFileDrop(unsigned long target, const wxPoint& screen, const std::vector<wxString>& paths) {
  if (m_display == nullptr || target == 0) return;
  Display* d = Dpy(m_display);
  if (m_dragSource == 0) {
    m_dragSource = XCreateSimpleWindow(d, DefaultRootWindow(d), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(d, m_dragSource, PropertyChangeMask);
  }
  // A server time for the selection and the messages: the time of a property change of ours.
  XChangeProperty(d, m_dragSource, AtomOf(d, "WM_NAME"), XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("drag"), 4);
  XEvent event;
  XWindowEvent(d, m_dragSource, PropertyChangeMask, &event);
  m_dragTime = event.xproperty.time;
  m_uriList.clear();
  for (const wxString& path : paths) m_uriList += "file://" + std::string(path.utf8_str()) + "\r\n";
  m_dragTarget = target;
  XSetSelectionOwner(d, AtomOf(d, "XdndSelection"), m_dragSource, m_dragTime);
  const long version = 5;
  SendClientMessage(d, target, AtomOf(d, "XdndEnter"),
                    {static_cast<long>(m_dragSource), version << 24, static_cast<long>(AtomOf(d, "text/uri-list")), 0, 0});
  SendClientMessage(d, target, AtomOf(d, "XdndPosition"),
                    {static_cast<long>(m_dragSource), 0, (static_cast<long>(screen.x) << 16) | screen.y,
                     static_cast<long>(m_dragTime), static_cast<long>(AtomOf(d, "XdndActionCopy"))});
  m_dragState = DragState::kOffered;
  Flush();
}

void CXInput::ServiceDrag() {
  if (m_display == nullptr || m_dragSource == 0) return;
  Display* d = Dpy(m_display);
  while (XPending(d) > 0) {
    XEvent event;
    XNextEvent(d, &event);
    if (event.type == ClientMessage && event.xclient.message_type == AtomOf(d, "XdndStatus")) {
      if (m_dragState != DragState::kOffered) continue;
      if ((event.xclient.data.l[1] & 1) != 0) {
        SendClientMessage(d, m_dragTarget, AtomOf(d, "XdndDrop"),
                          {static_cast<long>(m_dragSource), 0, static_cast<long>(m_dragTime), 0, 0});
        m_dragState = DragState::kDropped;
      } else {
        SendClientMessage(d, m_dragTarget, AtomOf(d, "XdndLeave"), {static_cast<long>(m_dragSource), 0, 0, 0, 0});
        m_dragState = DragState::kRefused;
      }
    } else if (event.type == ClientMessage && event.xclient.message_type == AtomOf(d, "XdndFinished")) {
      m_dragState = DragState::kFinished;
    } else if (event.type == SelectionRequest) {
      const XSelectionRequestEvent& request = event.xselectionrequest;
      XEvent reply{};
      reply.xselection.type = SelectionNotify;
      reply.xselection.display = d;
      reply.xselection.requestor = request.requestor;
      reply.xselection.selection = request.selection;
      reply.xselection.target = request.target;
      reply.xselection.time = request.time;
      reply.xselection.property = None;
      const Atom property = request.property != None ? request.property : request.target;
      if (request.target == AtomOf(d, "text/uri-list")) {
        XChangeProperty(d, request.requestor, property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(m_uriList.data()), static_cast<int>(m_uriList.size()));
        reply.xselection.property = property;
      } else if (request.target == AtomOf(d, "TARGETS")) {
        const Atom targets[] = {AtomOf(d, "TARGETS"), AtomOf(d, "text/uri-list")};
        XChangeProperty(d, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(targets), 2);
        reply.xselection.property = property;
      }
      XSendEvent(d, request.requestor, False, NoEventMask, &reply);
    }
  }
  Flush();
}

// ---------------------------------------------------------------------------------------------
// CGuiTest: the script

CGuiTest::CGuiTest(std::string name) : m_name(std::move(name)) {
  m_shots = Env("TESSALY_GUI_SHOTS", "screenshots/" + m_name);
  m_project = wxString::FromUTF8(Env("TESSALY_GUI_PROJECT", ""));
  m_work = wxString::FromUTF8(Env("TESSALY_GUI_WORK", "/tmp"));
  m_runKnown = Env("TESSALY_GUI_RUN_KNOWN", "");
}

CGuiTest::~CGuiTest() = default;

void CGuiTest::Section(const std::string& name, const std::string& knownToFailUntil, bool ifRunning) {
  m_section = name;
  m_known = knownToFailUntil;
  m_ifRunning = ifRunning;
}

void CGuiTest::Add(ScriptStep step) {
  step.section = m_section;
  step.knownToFail = m_known;
  step.ifRunning = m_ifRunning;
  m_steps.push_back(std::move(step));
}

void CGuiTest::Step(const std::string& name, Act act, Until until, const std::string& waitsFor, int timeoutMs) {
  ScriptStep step;
  step.name = name;
  step.act = std::move(act);
  step.until = std::move(until);
  step.waitsFor = waitsFor;
  step.timeoutMs = timeoutMs;
  Add(std::move(step));
}

void CGuiTest::Check(const std::string& name, std::function<bool()> check) {
  ScriptStep step;
  step.name = name;
  step.until = std::move(check);
  step.check = true;
  step.shot = false;
  Add(std::move(step));
}

void CGuiTest::Focus(const std::string& name, std::function<wxTopLevelWindow*()> window) {
  // The window manager gives the keyboard to the window asked for; when it does not within a
  // second and a half, a click on the window's status bar (or its centre) does, as a user's would.
  auto asked = std::make_shared<long long>(0);
  ScriptStep step;
  step.name = name;
  step.shot = false;
  step.act = [window, asked] {
    *asked = NowMs();
    if (wxTopLevelWindow* w = window(); w != nullptr && !w->IsActive()) w->Raise();
  };
  step.until = [this, window, asked] {
    wxTopLevelWindow* w = window();
    if (w == nullptr) return false;
    if (w->IsActive()) return true;
    if (*asked != 0 && NowMs() - *asked > 1500) {
      *asked = 0;
      auto* frame = dynamic_cast<wxFrame*>(w);
      wxWindow* target = frame != nullptr && frame->GetStatusBar() != nullptr && frame->GetStatusBar()->IsShown()
                             ? static_cast<wxWindow*>(frame->GetStatusBar())
                             : w;
      const wxRect r = ScreenRect(target);
      m_input.Click(wxPoint(r.x + r.width / 4, r.y + r.height / 2));
    }
    return false;
  };
  step.waitsFor = "the window to have the keyboard";
  Add(std::move(step));
}

void CGuiTest::Keys(const std::string& name, int key, int modifiers, Until until, const std::string& waitsFor) {
  Focus(name + " (focus)", [this]() -> wxTopLevelWindow* { return Frame(); });
  KeysHere(name, key, modifiers, std::move(until), waitsFor);
}

void CGuiTest::KeysHere(const std::string& name, int key, int modifiers, Until until, const std::string& waitsFor) {
  Step(name, [this, key, modifiers] { m_input.Key(key, modifiers); }, std::move(until), waitsFor);
}

void CGuiTest::OpenMenu(const std::string& name, const std::vector<wxString>& path) {
  Focus(name + " (focus)", [this]() -> wxTopLevelWindow* { return Frame(); });
  const std::vector<wxString> title{path[0]};
  Step(name + " " + std::string(path[0].utf8_str()),
       [this, title] {
         if (MenuShown(title)) return;
         const wxRect r = WidgetScreenRect(MenuTitleWidget(title[0]));
         m_input.Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
       },
       [this, title] { return MenuShown(title); }, "the menu " + std::string(title[0].utf8_str()) + " on the screen");
  for (size_t i = 1; i < path.size(); ++i) {
    // A submenu opens when the pointer rests on its entry; when it has not a second later, the
    // Right arrow key opens the entry under the pointer.
    const std::vector<wxString> upTo(path.begin(), path.begin() + static_cast<long>(i) + 1);
    auto movedAt = std::make_shared<long long>(0);
    Step(name + " " + std::string(path[i].utf8_str()),
         [this, upTo, movedAt] {
           *movedAt = NowMs();
           wxMenuItem* item = ItemOfPath(upTo);
           if (item == nullptr) return;
           const wxRect r = WidgetScreenRect(item->GetMenuItem());
           m_input.MoveTo(wxPoint(r.x + r.width / 3, r.y + r.height / 2));
         },
         [this, upTo, movedAt] {
           if (MenuShown(upTo)) return true;
           if (NowMs() - *movedAt > 1000) {
             *movedAt = NowMs();
             m_input.Key(WXK_RIGHT);
           }
           return false;
         },
         "the submenu " + std::string(path[i].utf8_str()) + " on the screen");
  }
}

void CGuiTest::ChooseMenu(const std::string& name, const std::vector<wxString>& path, Until until,
                          const std::string& waitsFor) {
  const std::vector<wxString> menu(path.begin(), path.end() - 1);
  OpenMenu(name, menu);
  // The entry is selected under the pointer before the click, as GTK wants it.
  ScriptStep hover;
  hover.name = name + " (point at " + std::string(path.back().utf8_str()) + ")";
  hover.shot = false;
  hover.act = [this, path] {
    wxMenuItem* item = ItemOfPath(path);
    if (item == nullptr) return;
    const wxRect r = WidgetScreenRect(item->GetMenuItem());
    m_input.MoveTo(wxPoint(r.x + r.width / 3, r.y + r.height / 2));
  };
  hover.until = [this, path] {
    wxMenuItem* item = ItemOfPath(path);
    if (item == nullptr) return false;
    GtkWidget* widget = item->GetMenuItem();
    // A disabled entry never lights up: the pointer on it is all a user gets.
    return !gtk_widget_is_sensitive(widget) || (gtk_widget_get_state_flags(widget) & GTK_STATE_FLAG_PRELIGHT) != 0;
  };
  hover.waitsFor = "the entry " + std::string(path.back().utf8_str()) + " under the pointer";
  Add(std::move(hover));
  Step(name, [this] {
         m_input.ButtonDown();
         m_input.ButtonUp();
       },
       std::move(until), waitsFor);
}

void CGuiTest::CloseMenus(const std::string& name) {
  Step(name,
       [this] {
         int depth = 0;
         wxMenuBar* bar = m_frame != nullptr ? m_frame->GetMenuBar() : nullptr;
         std::function<void(wxMenu*)> count = [&](wxMenu* menu) {
           if (menu == nullptr || !gtk_widget_get_mapped(menu->m_menu)) return;
           ++depth;
           for (wxMenuItem* item : menu->GetMenuItems()) count(item->GetSubMenu());
         };
         for (size_t i = 0; bar != nullptr && i < bar->GetMenuCount(); ++i) count(bar->GetMenu(i));
         for (int i = 0; i < std::max(depth, 1); ++i) m_input.Key(WXK_ESCAPE);
       },
       [this] { return !AnyMenuShown(); }, "no menu on the screen");
}

void CGuiTest::ClickTool(const std::string& name, std::function<wxWindow*()> bar, const wxString& label, Until until,
                         const std::string& waitsFor) {
  ScriptStep step;
  step.name = name;
  step.act = [this, bar, label] {
    const wxRect r = ToolScreenRect(bar(), label);
    if (r.IsEmpty()) {
      std::printf("warn no tool \"%s\" on the bar\n", static_cast<const char*>(label.utf8_str()));
      return;
    }
    m_input.Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
  };
  step.until = std::move(until);
  step.waitsFor = waitsFor;
  Add(std::move(step));
}

void CGuiTest::DropFiles(const std::string& name, std::function<wxWindow*()> onto, const std::vector<wxString>& paths,
                         Until until, const std::string& waitsFor) {
  Step(name,
       [this, onto, paths] {
         wxWindow* window = onto();
         if (window == nullptr) return;
         GtkWidget* top = gtk_widget_get_toplevel(window->GetHandle());
         const wxRect r = ScreenRect(window);
         m_input.BeginFileDrop(GDK_WINDOW_XID(gtk_widget_get_window(top)), wxPoint(r.x + r.width / 2, r.y + r.height / 2),
                               paths);
       },
       [this, until, told = std::make_shared<bool>(false)] {
         if (m_input.GetDragState() == CXInput::DragState::kRefused && !*told) {
           *told = true;
           std::printf("warn the window refused the drop\n");
         }
         return until();
       },
       waitsFor);
}

void CGuiTest::ClickWindow(const std::string& name, std::function<wxWindow*()> window, Until until,
                           const std::string& waitsFor, std::function<wxPoint()> clientPoint) {
  Step(name,
       [this, window, clientPoint] {
         wxWindow* w = window();
         if (w == nullptr) return;
         const wxRect r = ScreenRect(w);
         m_input.Click(clientPoint ? w->ClientToScreen(clientPoint()) : wxPoint(r.x + r.width / 2, r.y + r.height / 2));
       },
       std::move(until), waitsFor);
}

bool CGuiTest::ClickNativeButton(const wxString& label) {
  for (const NativeDialog& dialog : NativeDialogs()) {
    std::vector<GtkWidget*> widgets;
    CollectWidgets(GTK_WIDGET(dialog.window), widgets);
    for (GtkWidget* widget : widgets) {
      if (!GTK_IS_BUTTON(widget) || !gtk_widget_get_mapped(widget)) continue;
      const char* text = gtk_button_get_label(GTK_BUTTON(widget));
      if (text == nullptr) continue;
      // Stock buttons ("gtk-no") show their stock item's label ("_No").
      wxString shown = wxString::FromUTF8(text);
      if (shown.StartsWith("gtk-")) shown = shown.Mid(4);
      if (Strip(shown).CmpNoCase(label) != 0) continue;
      const wxRect r = WidgetScreenRect(widget);
      m_input.Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
      return true;
    }
  }
  return false;
}

void CGuiTest::ClickDialogButton(const std::string& name, const wxString& label, Until until,
                                 const std::string& waitsFor) {
  // A message box may still settle its layout after it has the keyboard, so a click can land
  // beside the button: while the button is still there a second later, it is clicked again.
  auto clickedAt = std::make_shared<long long>(0);
  Step(name,
       [this, label, clickedAt] {
         *clickedAt = NowMs();
         if (!ClickNativeButton(label))
           std::printf("warn no button \"%s\" in a dialog on the screen\n", static_cast<const char*>(label.utf8_str()));
       },
       [this, label, clickedAt, until] {
         if (until()) return true;
         if (NowMs() - *clickedAt > 1000) {
           *clickedAt = NowMs();
           ClickNativeButton(label);
         }
         return false;
       },
       waitsFor);
}

void CGuiTest::AnswerMessageBox(const std::string& name, const wxString& label, Until until,
                                const std::string& waitsFor) {
  // The toolkit's buttons ("_No", or the stock "gtk-no" shown as "_No") take their first letter.
  const int key = wxToupper(label[0]);
  auto pressedAt = std::make_shared<long long>(0);
  Step(name,
       [this, key, pressedAt] {
         *pressedAt = NowMs();
         m_input.Key(key, wxMOD_ALT);
       },
       [this, key, pressedAt, until] {
         if (until()) return true;
         // A box that was still laying itself out may have missed the key.
         if (NowMs() - *pressedAt > 1000 && !NativeDialogs().empty()) {
           *pressedAt = NowMs();
           m_input.Key(key, wxMOD_ALT);
         }
         return false;
       },
       waitsFor);
}

void CGuiTest::ClickWxDialogButton(const std::string& name, const wxString& label, Until until,
                                   const std::string& waitsFor) {
  Step(name,
       [this, label] {
         wxButton* button = Find<wxButton>(WxDialog(), [&label](wxButton* b) {
           return b->IsShownOnScreen() && Strip(b->GetLabel()).CmpNoCase(label) == 0;
         });
         if (button == nullptr) {
           std::printf("warn no button \"%s\" in the dialog\n", static_cast<const char*>(label.utf8_str()));
           return;
         }
         const wxRect r = ScreenRect(button);
         m_input.Click(wxPoint(r.x + r.width / 2, r.y + r.height / 2));
       },
       std::move(until), waitsFor);
}

void CGuiTest::AnswerFileChooser(const std::string& name, const wxString& path, Until until,
                                 const std::string& waitsFor) {
  auto chooser = [this]() -> GtkWindow* {
    for (const NativeDialog& dialog : NativeDialogs())
      if (dialog.isFileChooser) return dialog.window;
    return nullptr;
  };
  ScriptStep field;
  field.name = name + " (name field)";
  field.shot = false;
  field.act = [this, chooser] {
    // An open dialog has no name field until Ctrl+L shows the location.
    if (FocusedEntry(chooser()) == nullptr) m_input.Key('L', wxMOD_CONTROL);
  };
  field.until = [chooser] {
    GtkWindow* window = chooser();
    return window != nullptr && gtk_window_is_active(window) && FocusedEntry(window) != nullptr;
  };
  field.waitsFor = "a file chooser with the keyboard in its name field";
  Add(std::move(field));
  Step(name + " (typed)",
       [this, path] {
         m_input.Key('A', wxMOD_CONTROL);
         m_input.Type(path);
       },
       [chooser, path] {
         GtkWidget* entry = FocusedEntry(chooser());
         return entry != nullptr && wxString::FromUTF8(gtk_entry_get_text(GTK_ENTRY(entry))).StartsWith(path);
       },
       "the path typed into the file chooser");
  // Enter takes the name; when the chooser's completion took that Enter, the chooser is still up
  // a moment later and its accepting button is clicked.
  auto pressedAt = std::make_shared<long long>(0);
  Step(name,
       [this, pressedAt] {
         *pressedAt = NowMs();
         m_input.Key(WXK_RETURN);
       },
       [this, pressedAt, until, chooser] {
         if (until()) return true;
         if (chooser() != nullptr && NowMs() - *pressedAt > 1500) {
           *pressedAt = NowMs();
           if (!ClickNativeButton("Save") && !ClickNativeButton("Open")) m_input.Key(WXK_RETURN);
         }
         return false;
       },
       waitsFor);
}

// ---------------------------------------------------------------------------------------------
// Running

int CGuiTest::Run(std::vector<CString> switches, bool openProject) {
  if (openProject) switches.push_back(CString(m_project.wc_str()));
  std::printf("GUI test %s: %zu steps; screenshots in %s\n", m_name.c_str(), m_steps.size(), m_shots.c_str());
  std::fflush(stdout);
  // A loop that stops running our timer fails the run instead of hanging it.
  g_lastPoll = NowMs();
  std::thread([] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      if (NowMs() - g_lastPoll.load() > kStuckMs) {
        std::printf("FAIL the program's loop ran no step for %lld s\n", kStuckMs / 1000);
        std::fflush(stdout);
        std::_Exit(3);
      }
    }
  }).detach();
  // As app/main.cpp: clients in other processes reach the program's server.
  tessaly::rpc::CRpcRuntime rpc;
  tessaly::rpc::RegisterOpcMarshalers();
  m_app = new CTessalyWxApp(CTessalyCommandLine::Parse(switches));
  m_app->m_onStarted = [this](CTessalyWxApp& app) {
    m_frame = app.GetMainFrame();
    m_frame->Bind(wxEVT_DESTROY, [this](wxWindowDestroyEvent& event) {
      event.Skip();
      if (event.GetEventObject() == m_frame) m_frameGone = true;
    });
    Start();
  };
  wxApp::SetInstance(m_app);
  char program[] = "tessaly";
  char* args[] = {program, nullptr};
  int count = 1;
  wxEntry(count, args);
  m_poll.reset();
  m_app = nullptr;
  m_frameGone = true;
  Finish();
  std::printf("%zu failure(s), %zu section(s) skipped\n", m_failures.size(), m_skipped.size());
  for (const std::string& failure : m_failures) std::printf("  failed: %s\n", failure.c_str());
  for (const std::string& skipped : m_skipped) std::printf("  skipped: %s\n", skipped.c_str());
  std::fflush(stdout);
  return m_failures.empty() ? 0 : 1;
}

bool CGuiTest::RunsKnown(const ScriptStep& step) const {
  if (m_runKnown.empty()) return false;
  return m_runKnown == "1" || step.knownToFail.find(m_runKnown) != std::string::npos ||
         step.section.find(m_runKnown) != std::string::npos;
}

void CGuiTest::Start() {
  std::printf("the main window is up\n");
  if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
  m_poll = std::make_unique<wxTimer>(this);
  Bind(wxEVT_TIMER, &CGuiTest::OnPoll, this, m_poll->GetId());
  m_poll->Start(kPollMs);
}

void CGuiTest::OnPoll(wxTimerEvent&) {
  g_lastPoll = NowMs();
  m_input.ServiceDrag();
  if (m_done) return;
  while (m_current < m_steps.size()) {
    ScriptStep& step = m_steps[m_current];
    if (!step.knownToFail.empty() && !RunsKnown(step)) {
      const std::string skipped = step.section + ": known to fail until " + step.knownToFail;
      if (m_skipped.empty() || m_skipped.back() != skipped) {
        m_skipped.push_back(skipped);
        std::printf("SKIP %s\n", skipped.c_str());
      }
      ++m_current;
      continue;
    }
    if (step.check) {
      const bool ok = step.until();
      std::printf("%s %s: %s\n", ok ? "ok  " : "FAIL", step.section.c_str(), step.name.c_str());
      if (!ok) m_failures.push_back(step.section + ": " + step.name);
      ++m_current;
      continue;
    }
    if (!m_acted) {
      m_acted = true;
      m_heldPolls = 0;
      m_startedAt = NowMs();
      if (step.act) step.act();
      return;  // the program takes the input in its loop
    }
    if (!step.until()) {
      m_heldPolls = 0;
      if (NowMs() - m_startedAt > step.timeoutMs) {
        Fail(step, "waited " + std::to_string(step.timeoutMs / 1000) + " s for " + step.waitsFor);
      }
      return;
    }
    // Held across one more round of the loop, and painted, so the screen shows it too (the
    // paint is waited for at most three seconds: the screenshot is for people, not the verdict).
    if (++m_heldPolls == 1) m_heldAt = NowMs();
    if (m_heldPolls < 2) return;
    if (step.shot && !ScreenPainted() && NowMs() - m_heldAt < 3000) return;
    std::printf("ok   %s: %s\n", step.section.c_str(), step.name.c_str());
    if (step.shot) Shot(step.name);
    std::fflush(stdout);
    ++m_current;
    m_acted = false;
  }
  // The script is done; a program still running is ended here.
  m_done = true;
  m_poll->Stop();
  if (!m_frameGone && m_frame != nullptr) {
    std::printf("the script is done; the harness ends the program\n");
    m_frame->Destroy();
  }
}

void CGuiTest::Fail(const ScriptStep& step, const std::string& why) {
  std::printf("FAIL %s: %s: %s\n", step.section.c_str(), step.name.c_str(), why.c_str());
  for (const NativeDialog& dialog : NativeDialogs())
    std::printf("     on the screen: dialog \"%s\" %s\n", static_cast<const char*>(dialog.title.utf8_str()),
                static_cast<const char*>(dialog.text.utf8_str()));
  if (wxDialog* dialog = WxDialog())
    std::printf("     on the screen: dialog \"%s\"\n", static_cast<const char*>(dialog->GetTitle().utf8_str()));
  Shot(step.name + "-FAILED");
  m_failures.push_back(step.section + ": " + step.name + ": " + why);
  std::printf("%zu failure(s); the run ends here\n", m_failures.size());
  for (const std::string& failure : m_failures) std::printf("  failed: %s\n", failure.c_str());
  std::fflush(stdout);
  // The later steps need this one's state; the program may sit in a modal loop of its own.
  std::_Exit(1);
}

void CGuiTest::Finish() {
  if (m_current >= m_steps.size()) return;
  // The loop ended (the program closed): the step that waited for that is done; later ones are not.
  ScriptStep& step = m_steps[m_current];
  if (m_acted && step.until()) {
    std::printf("ok   %s: %s\n", step.section.c_str(), step.name.c_str());
    ++m_current;
  }
  for (; m_current < m_steps.size(); ++m_current) {
    const ScriptStep& rest = m_steps[m_current];
    if ((!rest.knownToFail.empty() && !RunsKnown(rest)) || rest.ifRunning) continue;
    const std::string what = rest.section + ": " + rest.name + ": the program ended before it";
    std::printf("FAIL %s\n", what.c_str());
    m_failures.push_back(what);
  }
}

void CGuiTest::Shot(const std::string& name) {
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_sync(display);
  ++m_shotNumber;
  const wxString file = wxString::Format("%s/%02d-%s.png", wxString::FromUTF8(m_shots), m_shotNumber, SafeName(name));
  wxImage image;
  if (!m_input.GrabScreen(image) || !image.SaveFile(file, wxBITMAP_TYPE_PNG))
    std::printf("warn no screenshot %s\n", static_cast<const char*>(file.utf8_str()));
}

bool CGuiTest::ScreenPainted() {
  bool painted = true;
  GList* windows = gtk_window_list_toplevels();
  for (GList* node = windows; node != nullptr && painted; node = node->next) {
    GtkWidget* window = GTK_WIDGET(node->data);
    if (!gtk_widget_get_mapped(window)) continue;
    GdkWindow* gdk = gtk_widget_get_window(window);
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gdk, &x, &y);
    const int width = gdk_window_get_width(gdk);
    const int height = gdk_window_get_height(gdk);
    painted = m_input.RowPainted(x, y + height / 2, width) && m_input.RowPainted(x, y + height / 4, width);
  }
  g_list_free(windows);
  return painted;
}

// ---------------------------------------------------------------------------------------------
// What the user sees

wxDialog* CGuiTest::WxDialog(const wxString& title) const {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog == nullptr || !dialog->IsModal() || !OnScreen(dialog)) continue;
    if (title.empty() || dialog->GetTitle().Contains(title)) return dialog;
  }
  return nullptr;
}

std::vector<NativeDialog> CGuiTest::NativeDialogs() const {
  std::vector<NativeDialog> dialogs;
  GList* windows = gtk_window_list_toplevels();
  for (GList* node = windows; node != nullptr; node = node->next) {
    auto* window = GTK_WINDOW(node->data);
    if (!GTK_IS_DIALOG(window) || !gtk_widget_get_mapped(GTK_WIDGET(window))) continue;
    NativeDialog dialog;
    dialog.window = window;
    const char* title = gtk_window_get_title(window);
    dialog.title = title != nullptr ? wxString::FromUTF8(title) : wxString();
    dialog.isActive = gtk_window_is_active(window) != FALSE;
    if (GTK_IS_MESSAGE_DIALOG(window)) {
      dialog.isMessageBox = true;
      gchar* text = nullptr;
      gchar* secondary = nullptr;
      g_object_get(window, "text", &text, "secondary-text", &secondary, nullptr);
      if (text != nullptr) dialog.text = wxString::FromUTF8(text);
      if (secondary != nullptr && *secondary != '\0') dialog.text += "\n\n" + wxString::FromUTF8(secondary);
      g_free(text);
      g_free(secondary);
    }
    dialog.isFileChooser = GTK_IS_FILE_CHOOSER_DIALOG(window);
    dialogs.push_back(dialog);
  }
  g_list_free(windows);
  return dialogs;
}

wxString CGuiTest::MessageBoxText() const {
  for (const NativeDialog& dialog : NativeDialogs())
    if (dialog.isMessageBox) return dialog.text;
  return wxString();
}

bool CGuiTest::MessageBoxShown(const wxString& textPart) const {
  for (const NativeDialog& dialog : NativeDialogs())
    if (dialog.isMessageBox && dialog.text.Contains(textPart)) return true;
  return false;
}

bool CGuiTest::FileChooserShown() const {
  for (const NativeDialog& dialog : NativeDialogs())
    if (dialog.isFileChooser) return true;
  return false;
}

bool CGuiTest::MessageBoxReady(const wxString& textPart) const {
  for (const NativeDialog& dialog : NativeDialogs())
    if (dialog.isMessageBox && dialog.isActive && dialog.text.Contains(textPart)) return true;
  return false;
}

bool CGuiTest::FileChooserReady() const {
  for (const NativeDialog& dialog : NativeDialogs())
    if (dialog.isFileChooser && dialog.isActive) return true;
  return false;
}

bool CGuiTest::WxDialogReady(const wxString& title) const {
  wxDialog* dialog = WxDialog(title);
  return dialog != nullptr && dialog->IsActive();
}

bool CGuiTest::AnyDialogShown() const { return !NativeDialogs().empty() || WxDialog() != nullptr; }

wxMenu* CGuiTest::MenuOfPath(const std::vector<wxString>& path, size_t count) const {
  wxMenuBar* bar = m_frame != nullptr && !m_frameGone ? m_frame->GetMenuBar() : nullptr;
  if (bar == nullptr || path.empty() || count == 0) return nullptr;
  const int index = bar->FindMenu(path[0]);
  wxMenu* menu = index == wxNOT_FOUND ? nullptr : bar->GetMenu(static_cast<size_t>(index));
  for (size_t i = 1; menu != nullptr && i < count; ++i) {
    wxMenuItem* found = nullptr;
    for (wxMenuItem* item : menu->GetMenuItems())
      if (found == nullptr && LabelMatches(item, path[i])) found = item;
    menu = found != nullptr ? found->GetSubMenu() : nullptr;
  }
  return menu;
}

wxMenuItem* CGuiTest::ItemOfPath(const std::vector<wxString>& path) const {
  wxMenu* menu = MenuOfPath(path, path.size() - 1);
  if (menu == nullptr) return nullptr;
  for (wxMenuItem* item : menu->GetMenuItems())
    if (LabelMatches(item, path.back())) return item;
  return nullptr;
}

GtkWidget* CGuiTest::MenuTitleWidget(const wxString& title) const {
  wxMenu* menu = MenuOfPath({title}, 1);
  return menu != nullptr ? menu->m_owner : nullptr;
}

bool CGuiTest::MenuShown(const std::vector<wxString>& path) const {
  wxMenu* menu = MenuOfPath(path, path.size());
  return menu != nullptr && menu->m_menu != nullptr && gtk_widget_get_mapped(menu->m_menu);
}

bool CGuiTest::AnyMenuShown() const {
  wxMenuBar* bar = m_frame != nullptr && !m_frameGone ? m_frame->GetMenuBar() : nullptr;
  for (size_t i = 0; bar != nullptr && i < bar->GetMenuCount(); ++i)
    if (bar->GetMenu(i)->m_menu != nullptr && gtk_widget_get_mapped(bar->GetMenu(i)->m_menu)) return true;
  return false;
}

bool CGuiTest::MenuItemShown(const std::vector<wxString>& path) const {
  wxMenuItem* item = ItemOfPath(path);
  return item != nullptr && gtk_widget_get_mapped(item->GetMenuItem());
}

bool CGuiTest::MenuItemEnabled(const std::vector<wxString>& path) const {
  wxMenuItem* item = ItemOfPath(path);
  return item != nullptr && gtk_widget_is_sensitive(item->GetMenuItem());
}

bool CGuiTest::MenuItemChecked(const std::vector<wxString>& path) const {
  wxMenuItem* item = ItemOfPath(path);
  return item != nullptr && GTK_IS_CHECK_MENU_ITEM(item->GetMenuItem()) &&
         gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(item->GetMenuItem()));
}

bool CGuiTest::MainWindowActive() const { return m_frame != nullptr && !m_frameGone && m_frame->IsActive(); }

bool CGuiTest::OnScreen(wxWindow* window) {
  return window != nullptr && window->IsShownOnScreen() && window->GetHandle() != nullptr &&
         gtk_widget_get_mapped(window->GetHandle());
}

wxWindow* CGuiTest::FindByLabel(wxWindow* root, const wxString& text) {
  return Find<wxWindow>(root, [&text](wxWindow* w) { return w->GetLabel().Contains(text) || w->GetName().Contains(text); });
}

bool CGuiTest::FileExists(const wxString& path) { return std::ifstream(std::string(path.utf8_str())).good(); }

wxString CGuiTest::FileText(const wxString& path) {
  std::ifstream in(std::string(path.utf8_str()), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t zeros = 0;
  for (size_t i = 1; i < bytes.size(); i += 2) zeros += bytes[i] == '\0' ? 1 : 0;
  const bool bom = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                   static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (bom || (bytes.size() >= 4 && zeros * 2 >= bytes.size() / 2)) {
    wxString text;
    for (size_t i = bom ? 2 : 0; i + 1 < bytes.size(); i += 2) {
      const unsigned unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
      text += wxUniChar(unit);
    }
    return text;
  }
  return wxString::FromUTF8(bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------------------------
// Geometry

wxRect CGuiTest::ScreenRect(wxWindow* window) {
  if (window == nullptr) return wxRect();
  return wxRect(window->GetScreenPosition(), window->GetSize());
}

wxRect CGuiTest::WidgetScreenRect(GtkWidget* widget) {
  if (widget == nullptr || !gtk_widget_get_mapped(widget)) return wxRect();
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
  int ox = 0;
  int oy = 0;
  gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  return wxRect(ox + x, oy + y, allocation.width, allocation.height);
}



namespace {

// A tool of a bar found by its label (or short help): its id on an AUI bar, its GTK item on a
// wxToolBar.
struct CFoundTool {
  wxAuiToolBar* aui = nullptr;
  int id = 0;
  GtkToolItem* item = nullptr;
};

CFoundTool FindTool(wxWindow* bar, const wxString& label) {
  CFoundTool found;
  if (auto* aui = dynamic_cast<wxAuiToolBar*>(bar)) {
    for (size_t i = 0; i < aui->GetToolCount(); ++i) {
      wxAuiToolBarItem* item = aui->FindToolByIndex(static_cast<int>(i));
      if (item == nullptr || (item->GetLabel() != label && item->GetShortHelp() != label)) continue;
      found.aui = aui;
      found.id = item->GetId();
      return found;
    }
  } else if (auto* tools = dynamic_cast<wxToolBar*>(bar)) {
    for (size_t pos = 0; pos < tools->GetToolsCount(); ++pos) {
      const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(pos));
      if (tool == nullptr || (tool->GetLabel() != label && tool->GetShortHelp() != label)) continue;
      found.item = gtk_toolbar_get_nth_item(tools->GTKGetToolbar(), static_cast<gint>(pos));
      return found;
    }
  }
  return found;
}

}  // namespace

wxRect CGuiTest::ToolScreenRect(wxWindow* bar, const wxString& label) {
  const CFoundTool tool = FindTool(bar, label);
  if (tool.item != nullptr) return WidgetScreenRect(GTK_WIDGET(tool.item));
  if (tool.aui == nullptr) return wxRect();
  wxRect r = tool.aui->GetToolRect(tool.id);
  if (!r.IsEmpty()) r.SetPosition(tool.aui->ClientToScreen(r.GetPosition()));
  return r;
}

bool CGuiTest::ToolEnabled(wxWindow* bar, const wxString& label) {
  const CFoundTool tool = FindTool(bar, label);
  if (tool.item != nullptr) return gtk_widget_is_sensitive(GTK_WIDGET(tool.item));
  return tool.aui != nullptr && tool.aui->GetToolEnabled(tool.id);
}

bool CGuiTest::ToolChecked(wxWindow* bar, const wxString& label) {
  const CFoundTool tool = FindTool(bar, label);
  if (tool.item != nullptr)
    return GTK_IS_TOGGLE_TOOL_BUTTON(tool.item) && gtk_toggle_tool_button_get_active(GTK_TOGGLE_TOOL_BUTTON(tool.item));
  return tool.aui != nullptr && tool.aui->GetToolToggled(tool.id);
}

wxWindow* CGuiTest::ToolBarIn(wxWindow* pane) {
  return Find<wxWindow>(pane, [](wxWindow* w) {
    return dynamic_cast<wxToolBar*>(w) != nullptr || dynamic_cast<wxAuiToolBar*>(w) != nullptr;
  });
}

wxRect CGuiTest::PaneCloseButtonRect(wxAuiManager& manager, const wxString& pane) {
  wxAuiPaneInfo& info = manager.GetPane(pane);
  if (!info.IsOk() || !info.IsShown() || info.window == nullptr || !info.HasCloseButton()) return wxRect();
  // The caption lies on the pane's window; its buttons sit at its right end, the close button last.
  wxAuiDockArt* art = manager.GetArtProvider();
  const int caption = art->GetMetric(wxAUI_DOCKART_CAPTION_SIZE);
  const int button = art->GetMetric(wxAUI_DOCKART_PANE_BUTTON_SIZE);
  const wxRect window = ScreenRect(info.window);
  return wxRect(window.GetRight() - button - 2, window.y - caption, button, caption);
}

wxRect CGuiTest::TreeItemScreenRect(wxTreeCtrl* tree, const wxTreeItemId& item) {
  wxRect r;
  if (tree == nullptr || !item.IsOk() || !tree->GetBoundingRect(item, r, true)) return wxRect();
  r.SetPosition(tree->ClientToScreen(r.GetPosition()));
  return r;
}

wxRect CGuiTest::DataViewRowScreenRect(wxWindow* view, int row) {
  if (view == nullptr || row < 0) return wxRect();
  std::vector<GtkWidget*> widgets;
  CollectWidgets(view->GetHandle(), widgets);
  GtkTreeView* tree = nullptr;
  for (GtkWidget* widget : widgets)
    if (tree == nullptr && GTK_IS_TREE_VIEW(widget)) tree = GTK_TREE_VIEW(widget);
  if (tree == nullptr) return wxRect();
  GtkTreePath* path = gtk_tree_path_new_from_indices(row, -1);
  GdkRectangle cell;
  gtk_tree_view_get_background_area(tree, path, nullptr, &cell);
  gtk_tree_path_free(path);
  int x = 0;
  int y = 0;
  gtk_tree_view_convert_bin_window_to_widget_coords(tree, cell.x, cell.y, &x, &y);
  const wxRect widget = WidgetScreenRect(GTK_WIDGET(tree));
  GtkAllocation allocation;
  gtk_widget_get_allocation(GTK_WIDGET(tree), &allocation);
  // Only the part the tree shows: a row scrolled out of sight has no place on the screen.
  const wxRect shown = wxRect(widget.x + x, widget.y + y, allocation.width, cell.height).Intersect(widget);
  return cell.height > 0 ? shown : wxRect();
}

wxString CGuiTest::DataViewCellText(wxWindow* window, int row, const wxString& columnTitle) {
  auto* view = dynamic_cast<wxDataViewCtrl*>(window);
  auto* list = view != nullptr ? dynamic_cast<wxDataViewListModel*>(view->GetModel()) : nullptr;
  if (list == nullptr || row < 0 || static_cast<unsigned>(row) >= list->GetCount()) return wxString();
  for (unsigned i = 0; i < view->GetColumnCount(); ++i) {
    wxDataViewColumn* column = view->GetColumn(i);
    if (column->GetTitle() != columnTitle) continue;
    wxVariant value;
    list->GetValueByRow(value, static_cast<unsigned>(row), column->GetModelColumn());
    if (value.GetType() == "wxDataViewIconText") {
      wxDataViewIconText text;
      text << value;
      return text.GetText();
    }
    return value.IsNull() ? wxString() : value.MakeString();
  }
  return wxString();
}

wxTreeItemId CGuiTest::FindTreeItem(wxTreeCtrl* tree, const std::function<bool(const wxString&)>& wanted) {
  if (tree == nullptr || !tree->GetRootItem().IsOk()) return wxTreeItemId();
  std::function<wxTreeItemId(const wxTreeItemId&)> walk = [&](const wxTreeItemId& from) -> wxTreeItemId {
    if (wanted(tree->GetItemText(from))) return from;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree->GetFirstChild(from, cookie); child.IsOk(); child = tree->GetNextChild(from, cookie)) {
      const wxTreeItemId found = walk(child);
      if (found.IsOk()) return found;
    }
    return wxTreeItemId();
  };
  return walk(tree->GetRootItem());
}

wxString CGuiTest::ClipboardText() {
  wxString text;
  if (!wxTheClipboard->Open()) return text;
  wxTextDataObject data;
  if (wxTheClipboard->IsSupported(wxDF_UNICODETEXT) && wxTheClipboard->GetData(data)) text = data.GetText();
  wxTheClipboard->Close();
  return text;
}


}  // namespace tessaly::gui
