// The Qt popup on a real X display with a window manager: the page view in its
// helper process, placement with the frame, focus, the close box, crashes.
// Runs under run_on_virtual_desktop.sh.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/error.h"
#include "core/event_log.h"
#include "platform/desktop_qt/qt_desktop.h"
#include "platform/desktop_qt/qt_popup_window.h"
#include "platform/desktop_qt/x11/xcb_helpers.h"
#include "tests/desktop_qt/one_page_server.h"

namespace zelmora {
namespace {

using platform::PopupWindow;
using namespace std::chrono_literals;

constexpr int kEngineTimeoutMs = 30000;  // a cold engine on a busy machine
const QByteArray kGreenPage = "<html><body style='margin:0;background:#10c040'><p>task</p></body></html>";

const platform::PopupSpec kSpec{
    .caption = "Zelmora通知",
    .clientSize = {300, 200},
    .initialPosition = {642, 361},
    .viewBounds = {-2, -2, 350, 251},
};

QWidget* PopupWidget() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->windowTitle() == QString::fromUtf8("Zelmora通知")) return window;
  }
  return nullptr;
}

// Page-view helpers started by this process.
std::vector<pid_t> HelperProcesses() {
  std::vector<pid_t> found;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool isPid = false;
    const pid_t pid = entry.toInt(&isPid);
    if (!isPid) continue;
    QFile status("/proc/" + entry + "/status");
    if (!status.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = status.readAll();
    if (text.startsWith("Name:\tzelmora-pagevie") &&
        text.contains("\nPPid:\t" + QByteArray::number(getpid()) + "\n")) {
      found.push_back(pid);
    }
  }
  return found;
}

QColor ScreenColourAt(QPoint point) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, point.x(), point.y(), 1, 1)
      .toImage()
      .pixelColor(0, 0);
}

bool IsGreen(QColor c) { return c.green() > 150 && c.red() < 60 && c.blue() < 100; }

// Where a page's box lies over the page: the light part of the area, which
// otherwise shows only the green page.
QRect LightPartOf(const QRect& area) {
  const QImage shot = QGuiApplication::primaryScreen()
                          ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                          .toImage();
  QRect light;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.red() > 220 && c.green() > 220 && c.blue() > 220)
        light |= QRect(area.x() + x, area.y() + y, 1, 1);
    }
  }
  return light;
}

void ClickAt(QPoint point) {
  QProcess::execute("xdotool",
                    {"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "1"});
}

xcb_connection_t* X11() { return platform::qt::X11Connection(); }
xcb_atom_t Atom(const char* name) { return platform::qt::InternAtom(X11(), name); }
xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(X11())).data->root; }

// The windows on the screen itself: every window of its own that a program
// maps shows up here (framed or not), and one that is drawn inside another does not.
int MappedTopLevelWindows() {
  std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
      xcb_query_tree_reply(X11(), xcb_query_tree(X11(), Root()), nullptr), &free);
  if (!tree) return -1;
  int mapped = 0;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
        xcb_get_window_attributes_reply(X11(), xcb_get_window_attributes(X11(), children[i]), nullptr),
        &free);
    if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE) ++mapped;
  }
  return mapped;
}

// Whether the keyboard's window is the given window or lies inside it.
bool KeyboardIsIn(const QWidget& window) {
  std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&free)> focus(
      xcb_get_input_focus_reply(X11(), xcb_get_input_focus(X11()), nullptr), &free);
  if (!focus) return false;
  for (xcb_window_t current = focus->focus; current != XCB_NONE && current != Root();) {
    if (current == static_cast<xcb_window_t>(window.winId())) return true;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
        xcb_query_tree_reply(X11(), xcb_query_tree(X11(), current), nullptr), &free);
    if (!tree) return false;
    current = tree->parent;
  }
  return false;
}

// The window manager's frame around the window, straight from the X window
// tree: the window's ancestor just below the root. Empty while not framed.
QRect FrameOnScreen(const QWidget& window) {
  xcb_window_t current = static_cast<xcb_window_t>(window.winId());
  for (;;) {
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
        xcb_query_tree_reply(X11(), xcb_query_tree(X11(), current), nullptr), &free);
    if (!tree) return {};
    if (tree->parent == tree->root) break;
    current = tree->parent;
  }
  if (current == static_cast<xcb_window_t>(window.winId())) return {};
  std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
      xcb_get_window_attributes_reply(X11(), xcb_get_window_attributes(X11(), current), nullptr), &free);
  if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return {};
  std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
      xcb_get_geometry_reply(X11(), xcb_get_geometry(X11(), current), nullptr), &free);
  if (!geometry) return {};
  return QRect(geometry->x, geometry->y, geometry->width + 2 * geometry->border_width,
               geometry->height + 2 * geometry->border_width);
}

// The window's client area where the X server has it now (Qt learns of a
// move by the window manager only a moment later).
QRect ClientOnScreen(const QWidget& window) {
  const auto id = static_cast<xcb_window_t>(window.winId());
  std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&free)> origin(
      xcb_translate_coordinates_reply(X11(), xcb_translate_coordinates(X11(), id, Root(), 0, 0), nullptr),
      &free);
  if (!origin) return {};
  return QRect(origin->dst_x, origin->dst_y, window.width(), window.height());
}

// What a click on the close box does: ask the window manager to close it.
void PressCloseBox(QWidget& window) {
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = static_cast<xcb_window_t>(window.winId());
  event.type = Atom("_NET_CLOSE_WINDOW");
  event.data.data32[1] = 2;  // source: a pager or the user
  xcb_send_event(X11(), 0, Root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(X11());
}

class PopupOnDesktop : public ::testing::Test {
 protected:
  // Short enough to wait for in a test.
  static constexpr platform::qt::QtPopupTiming kTiming{.releaseDelay = 1s,
                                                       .pageView = {.answerDeadline = 3s, .quitTimeout = 3s}};

  void SetUp() override { MakePopup(kTiming); }

  void MakePopup(const platform::qt::QtPopupTiming& timing, const QString& pageViewProgram = {}) {
    popup.reset();
    popup = platform::qt::CreateQtPopupWindow(desktop, kSpec, timing, pageViewProgram);
    popup->OnDocumentComplete([this] { ++completions; });
    widget = PopupWidget();
    ASSERT_NE(widget, nullptr);
  }
  // Navigates, shows and waits for the page in the corner of the work area, as a new task does.
  void ShowTask(const std::u16string& address) {
    PlaceBelowWorkArea();
    popup->Navigate(address);
    popup->Show();
    ASSERT_TRUE(WaitForCompletions(completions + 1));
    PlaceAtBottomRight();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          return FrameOnScreen(*widget).bottomRight() + QPoint(1, 1) == QPoint(area.width(), area.height());
        },
        10000));
  }

  bool WaitForCompletions(int count) {
    return QTest::qWaitFor([&] { return completions >= count; }, kEngineTimeoutMs);
  }
  bool WaitUntilFramed() {
    return QTest::qWaitFor([&] { return !FrameOnScreen(*widget).isEmpty(); }, 5000);
  }
  bool WaitForFrameAt(QPoint topLeft) {
    return QTest::qWaitFor([&] { return FrameOnScreen(*widget).topLeft() == topLeft; }, 5000);
  }
  // Steps W3, W4 and D1, D2 of a notice, as the popup's logic does them.
  void PlaceBelowWorkArea() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    popup->SetTop(area.height() + popup->OuterSize().height);
    popup->SetLeft(area.width() - popup->OuterSize().width);
  }
  void PlaceAtBottomRight() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    popup->SetTop(area.height() - popup->OuterSize().height);
    popup->SetLeft(area.width() - popup->OuterSize().width);
  }
  std::u16string Address(quint16 port, const QString& pathAndQuery) {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(pathAndQuery).toStdU16String();
  }

  // A window of another program, the one the user works in.
  bool UsersWindowIsActive() {
    usersWindow.setWindowTitle("user's window");
    usersWindow.setGeometry(100, 100, 300, 200);
    usersWindow.show();
    usersWindow.activateWindow();
    return QTest::qWaitForWindowActive(&usersWindow);
  }

  platform::qt::QtDesktop desktop;
  QWidget usersWindow;
  std::unique_ptr<PopupWindow> popup;
  QWidget* widget = nullptr;
  int completions = 0;
};

TEST_F(PopupOnDesktop, ViewBeforeAnyPageShowsAnEmptyPopupAt642x361WithoutTheEngine) {
  popup->Show();
  ASSERT_TRUE(WaitUntilFramed());
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_TRUE(WaitForFrameAt(QPoint(642, 361)));
  EXPECT_EQ(popup->Position().x, 642);
  EXPECT_EQ(popup->Position().y, 361);
  EXPECT_EQ(widget->size(), QSize(300, 200));
  EXPECT_TRUE(HelperProcesses().empty());
}

TEST_F(PopupOnDesktop, OutOfSightBelowTheWorkAreaThenIntoTheCornerWithItsFrame) {
  PlaceBelowWorkArea();
  popup->Show();
  QTest::qWait(300);
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_TRUE(FrameOnScreen(*widget).isEmpty()) << "a window manager would pull it into sight";

  PlaceAtBottomRight();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_TRUE(WaitUntilFramed());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return FrameOnScreen(*widget).bottomRight() + QPoint(1, 1) == QPoint(area.width(), area.height());
      },
      5000))
      << "frame at " << FrameOnScreen(*widget).x() << "," << FrameOnScreen(*widget).y();
  const QRect frame = FrameOnScreen(*widget);
  EXPECT_EQ(popup->OuterSize().width, frame.width());
  EXPECT_EQ(popup->OuterSize().height, frame.height());
  EXPECT_GT(frame.height(), 200);
  EXPECT_EQ(popup->Position().x, frame.x());
  EXPECT_EQ(popup->Position().y, frame.y());
}

// Run by two_screens.sh: a popup in the corner of the screens' bounding box
// that no screen shows is out of sight, so it stays unmapped (a window manager
// would pull a mapped one into view, blank).
TEST_F(PopupOnDesktop, OutOfSightMeansOnNoScreenNotOutsideTheirBoundingBox) {
  if (QGuiApplication::screens().size() != 2) GTEST_SKIP() << "needs the two screens of two_screens.sh";
  popup->SetLeft(100);
  popup->SetTop(650);  // below the 600-pixel-high left screen
  popup->Show();
  QTest::qWait(300);
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_FALSE(widget->isVisible()) << "mapped where no screen shows it";

  popup->SetLeft(900);  // onto the right screen, 800 pixels high
  EXPECT_TRUE(QTest::qWaitFor([&] { return widget->isVisible(); }, 5000));
}

TEST_F(PopupOnDesktop, PageLoadsInTheHelperAndShowsInsideThePopup) {
  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), QString::fromUtf8("/tx.php?action=show&userid=张 三&taskid=7")));
  popup->Show();
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(HelperProcesses().size(), 1u);
  // The worker id reaches the server as typed, in UTF-8 percent form.
  EXPECT_EQ(server.LastRequestLine(),
            "GET /tx.php?action=show&userid=%E5%BC%A0%20%E4%B8%89&taskid=7 HTTP/1.1");

  PlaceAtBottomRight();
  ASSERT_TRUE(WaitUntilFramed());
  const QRect client = widget->geometry();
  EXPECT_TRUE(QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(client.center())); }, 5000));
  EXPECT_TRUE(IsGreen(ScreenColourAt(client.topLeft() + QPoint(1, 1))));
  EXPECT_TRUE(IsGreen(ScreenColourAt(client.bottomRight() - QPoint(1, 1))))
      << "the view overhangs the client area: no scroll bar or frame of it in sight";
  const QRect frame = FrameOnScreen(*widget);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
      .save(QDir::currentPath() + "/popup_window_test_page.png");
}

TEST_F(PopupOnDesktop, ARefusedPortStillCompletesWithTheEnginesErrorPage) {
  popup->Navigate(Address(e2e::RefusedPort(), "/tx.php"));
  EXPECT_TRUE(WaitForCompletions(1));
}

// A page that opens boxes while it loads, and asks before it may be left once
// the user has clicked it: neither holds back its popup or the next task's page.
TEST_F(PopupOnDesktop, APagesBoxesHoldBackNeitherItsPopupNorTheNextTasksPage) {
  // A click turns it red: the user's gesture that lets a page ask before it is left.
  e2e::OnePageServer server(
      "<html><body style='margin:0;height:300px;background:#10c040' "
      "onmousedown='this.style.background=\"red\"'>"
      "<script>"
      "alert('a'); confirm('b'); prompt('c');"
      "addEventListener('beforeunload', e => { e.preventDefault(); e.returnValue = 'stay'; });"
      "</script></body></html>");
  popup->Navigate(Address(server.Port(), "/task1"));
  popup->Show();
  ASSERT_TRUE(WaitForCompletions(1)) << "a box kept the page from loading";
  PlaceAtBottomRight();
  ASSERT_TRUE(WaitUntilFramed());
  const QPoint inside = widget->geometry().center();
  ASSERT_TRUE(QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(inside)); }, 5000));
  // The window manager may take the first click to focus the popup's frame.
  QProcess::execute("xdotool", {"mousemove", QString::number(inside.x()), QString::number(inside.y()),
                                "sleep", "0.3", "click", "--repeat", "2", "--delay", "300", "1"});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !IsGreen(ScreenColourAt(inside)); }, 5000))
      << "the clicks did not reach the page";

  popup->Navigate(Address(server.Port(), "/task2"));
  ASSERT_TRUE(WaitForCompletions(2)) << "the old page was not left for the next task's";
  EXPECT_EQ(server.LastRequestLine(), "GET /task2 HTTP/1.1");
}

TEST_F(PopupOnDesktop, TheProgramSurvivesACrashOfTheEngineAndTheNextPageRestartsIt) {
  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), "/first"));
  ASSERT_TRUE(WaitForCompletions(1));
  const std::vector<pid_t> before = HelperProcesses();
  ASSERT_EQ(before.size(), 1u);
  ::kill(before[0], SIGKILL);
  ASSERT_TRUE(QTest::qWaitFor([&] { return HelperProcesses().empty(); }, 5000));

  popup->Navigate(Address(server.Port(), "/second"));
  ASSERT_TRUE(WaitForCompletions(2));
  EXPECT_EQ(server.LastRequestLine(), "GET /second HTTP/1.1");
  EXPECT_EQ(HelperProcesses().size(), 1u);
}

TEST_F(PopupOnDesktop, AStoppedHelperIsReplacedAndTheNextPageStillShows) {
  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), "/first"));
  ASSERT_TRUE(WaitForCompletions(1));
  const std::vector<pid_t> stopped = HelperProcesses();
  ASSERT_EQ(stopped.size(), 1u);
  ::kill(stopped[0], SIGSTOP);

  popup->Navigate(Address(server.Port(), "/second"));
  ASSERT_TRUE(WaitForCompletions(2));
  EXPECT_EQ(server.LastRequestLine(), "GET /second HTTP/1.1");
  const std::vector<pid_t> now = HelperProcesses();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_NE(now[0], stopped[0]);
}

// The release rule: hidden for the release delay with nothing loading, the
// helper goes; View brings the page back without a document completion (so the
// auto-close timer is not armed); the next task loads as usual.
TEST_F(PopupOnDesktop, TheHelperGoesWhileHiddenAndViewBringsThePageBackWithoutACompletion) {
  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), "/task1"));
  popup->Show();
  ASSERT_TRUE(WaitForCompletions(1));
  PlaceAtBottomRight();
  ASSERT_TRUE(WaitUntilFramed());
  popup->Hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return HelperProcesses().empty(); }, 10000));

  popup->Show();  // View
  ASSERT_TRUE(WaitUntilFramed());
  const QPoint centre = widget->geometry().center();
  EXPECT_TRUE(QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(centre)); }, kEngineTimeoutMs));
  EXPECT_EQ(server.LastRequestLine(), "GET /task1 HTTP/1.1");
  QTest::qWait(300);
  EXPECT_EQ(completions, 1);

  popup->Hide();
  QTest::qWait(300);
  popup->Show();  // shown again before the delay ran out: the helper stayed
  EXPECT_EQ(HelperProcesses().size(), 1u);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(ClientOnScreen(*widget).center())); }, 10000))
      << "the page stopped while hidden did not come back";
  EXPECT_EQ(completions, 1);
  popup->Hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return HelperProcesses().empty(); }, 10000));
  PlaceBelowWorkArea();
  popup->Navigate(Address(server.Port(), "/task2"));  // a new task
  popup->Show();
  ASSERT_TRUE(WaitForCompletions(2));
  EXPECT_EQ(server.LastRequestLine(), "GET /task2 HTTP/1.1");
}

// A page view that cannot run still brings the popup into view, with a line
// in the page's place saying why, and tells the program (for the tray and the log).
TEST_F(PopupOnDesktop, AHelperThatCannotRunStillBringsThePopupIntoViewSayingWhy) {
  MakePopup(kTiming, QDir::currentPath() + "/no-such-pageview");
  // The program makes its popup at start-up, long before a task; here the line
  // comes at once, so wait for the window manager's word on the frame first.
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->OuterSize().height > widget->height(); }, 5000));
  std::vector<std::string> troubles;
  popup->OnPageViewTrouble([&](const std::string& reason) { troubles.push_back(reason); });
  ShowTask(Address(e2e::RefusedPort(), "/task"));
  ASSERT_EQ(troubles.size(), 1u);
  EXPECT_NE(troubles[0].find("zelmora-pageview could not be started"), std::string::npos) << troubles[0];
  const QLabel* line = widget->findChild<QLabel*>();
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->isVisible());
  EXPECT_EQ(line->text().toStdString(), "无法显示任务页：" + troubles[0]);
  QTest::qWait(300);
  const QRect frame = FrameOnScreen(*widget);
  QGuiApplication::primaryScreen()
      ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
      .save(QDir::currentPath() + "/popup_window_test_cannot_run.png");
}

TEST_F(PopupOnDesktop, AHelperKilledWhileThePageShowsComesBackWithThePage) {
  e2e::OnePageServer server(kGreenPage);
  ShowTask(Address(server.Port(), "/task"));
  const QPoint centre = ClientOnScreen(*widget).center();
  ASSERT_TRUE(QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(centre)); }, 5000));
  const std::vector<pid_t> killed = HelperProcesses();
  ASSERT_EQ(killed.size(), 1u);
  const int requests = server.Requests();
  ::kill(killed[0], SIGKILL);

  EXPECT_TRUE(QTest::qWaitFor([&] { return server.Requests() > requests && IsGreen(ScreenColourAt(centre)); },
                              kEngineTimeoutMs))
      << "the popup stays blank";
  EXPECT_EQ(server.LastRequestLine(), "GET /task HTTP/1.1");
  const std::vector<pid_t> now = HelperProcesses();
  ASSERT_EQ(now.size(), 1u);
  EXPECT_NE(now[0], killed[0]);
  EXPECT_EQ(completions, 1) << "the same page came back: no new auto-close countdown";
}

// A box the page opens once it is in sight is drawn inside the popup: no
// window of its own (which would sit under the always-on-top popup, with a
// task-bar button), and it does not take the keyboard. A click on it lets
// the user answer with the keyboard; hiding the popup closes it.
TEST_F(PopupOnDesktop, AScriptBoxAfterLoadBelongsToThePopupAndClosesWithIt) {
  ASSERT_TRUE(UsersWindowIsActive());
  e2e::OnePageServer server(
      "<html><body style='margin:0;height:300px;background:#10c040'><script>"
      "document.body.onclick = () => {"
      "  alert('第一个'); navigator.sendBeacon('/answered-1');"
      "  alert('第二个'); navigator.sendBeacon('/answered-2'); };"
      "</script></body></html>");
  ShowTask(Address(server.Port(), "/task"));
  const QRect client = ClientOnScreen(*widget);
  ASSERT_TRUE(QTest::qWaitFor([&] { return IsGreen(ScreenColourAt(client.center())); }, 5000));
  const int windowsBefore = MappedTopLevelWindows();

  // The window manager may keep a first click for itself.
  for (int tries = 0; tries < 3 && LightPartOf(client).isEmpty(); ++tries) {
    ClickAt(client.topLeft() + QPoint(20, 20));
    (void)QTest::qWaitFor([&] { return !LightPartOf(client).isEmpty(); }, 3000);
  }
  const QRect box = LightPartOf(client);
  ASSERT_FALSE(box.isEmpty()) << "no box in the popup";
  QGuiApplication::primaryScreen()
      ->grabWindow(0, client.x(), client.y(), client.width(), client.height())
      .save(QDir::currentPath() + "/popup_window_test_script_box.png");
  EXPECT_EQ(MappedTopLevelWindows(), windowsBefore) << "the box is a window of its own";
  EXPECT_EQ(QApplication::activeWindow(), &usersWindow) << "the box took the focus";

  ClickAt(box.topLeft() + QPoint(3, 3));  // beside its text and button
  EXPECT_TRUE(QTest::qWaitFor([&] { return KeyboardIsIn(*widget); }, 5000))
      << "a click did not give it the keyboard";
  QProcess::execute("xdotool", {"key", "Return"});
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return server.RequestLines().contains("POST /answered-1 HTTP/1.1"); }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !KeyboardIsIn(*widget); }, 5000))
      << "the keyboard was not given back";

  ASSERT_TRUE(QTest::qWaitFor([&] { return !LightPartOf(client).isEmpty(); }, 5000)) << "no second box";
  popup->Hide();
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return server.RequestLines().contains("POST /answered-2 HTTP/1.1"); }, 5000))
      << "the box stayed open behind the hidden popup";
}

// Out of sight, a page has nothing to do: one that reloads itself stops asking
// the server. And its helper is given back after the release delay whatever
// the page is doing, even when it never finishes loading.
TEST_F(PopupOnDesktop, AHiddenPageIsStoppedAndItsHelperGoesWhateverThePageDoes) {
  MakePopup({.releaseDelay = 60s, .pageView = kTiming.pageView});
  e2e::OnePageServer server(
      "<html><body style='background:#10c040'><script>setTimeout(() => location.reload(), 200);</script>"
      "</body></html>");
  ShowTask(Address(server.Port(), "/reloading"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.Requests() >= 3; }, kEngineTimeoutMs))
      << "it does not reload";
  popup->Hide();
  // Quiet for two seconds in a row, while the page would ask five times a second.
  int seen = server.Requests();
  QElapsedTimer quiet;
  quiet.start();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        if (server.Requests() != seen) {
          seen = server.Requests();
          quiet.restart();
        }
        return quiet.hasExpired(2000);
      },
      20000))
      << "the hidden page goes on reloading";

  MakePopup(kTiming);  // a release delay of a second
  QTcpServer silent;   // takes connections and never answers
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  popup->Navigate(Address(silent.serverPort(), "/never"));
  popup->Show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return HelperProcesses().size() == 1; }, 5000));
  QTest::qWait(500);
  popup->Hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return HelperProcesses().empty(); }, 10000))
      << "a page still loading keeps it";
}

// A link the user clicks may open a new window: it goes to the user's browser.
// A page opening windows by itself, and links to anything but the web, lead nowhere.
TEST_F(PopupOnDesktop, OnlyANewWindowTheUserAskedForOpensAndOnlyInTheBrowser) {
  QTemporaryDir bin;
  ASSERT_TRUE(bin.isValid());
  const QString opened = bin.filePath("opened");
  QFile browser(bin.filePath("xdg-open"));
  ASSERT_TRUE(browser.open(QIODevice::WriteOnly));
  browser.write(QStringLiteral("#!/bin/sh\necho \"$1\" >>%1\n").arg(opened).toUtf8());
  browser.close();
  browser.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", bin.path().toUtf8() + ':' + path);

  e2e::OnePageServer server(
      "<html><body style='margin:0;background:#10c040'>"
      "<a href='/elsewhere' target='_blank' style='display:block;height:100px'>new window</a>"
      "<a href='file:///etc/hostname' style='display:block;height:100px'>a file</a>"
      "<script>window.open('/unasked');</script></body></html>");
  ShowTask(Address(server.Port(), "/task"));
  const QRect client = ClientOnScreen(*widget);
  ClickAt(client.topLeft() + QPoint(150, 150));  // the file
  for (int tries = 0; tries < 3 && !QFile::exists(opened); ++tries) {
    ClickAt(client.topLeft() + QPoint(150, 50));  // the new window
    (void)QTest::qWaitFor([&] { return QFile::exists(opened); }, 3000);
  }
  qputenv("PATH", path);
  QFile log(opened);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << "nothing was opened in the browser";
  EXPECT_EQ(log.readAll(), QStringLiteral("http://127.0.0.1:%1/elsewhere\n").arg(server.Port()).toUtf8());
  EXPECT_EQ(server.RequestLines(), QList<QByteArray>{"GET /task HTTP/1.1"}) << "the popup left its page";
  EXPECT_EQ(completions, 1);
}

TEST_F(PopupOnDesktop, ShowingAndClickingNeverTakeTheFocusFromTheUsersWindow) {
  ASSERT_TRUE(UsersWindowIsActive());

  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), "/"));
  popup->Show();
  ASSERT_TRUE(WaitForCompletions(1));
  PlaceAtBottomRight();
  popup->Show();  // visible already: only raised
  QTest::qWait(500);
  EXPECT_EQ(QApplication::activeWindow(), &usersWindow);

  const QPoint inside = widget->geometry().center();
  QProcess::execute("xdotool",
                    {"mousemove", QString::number(inside.x()), QString::number(inside.y()), "click", "1"});
  QTest::qWait(500);
  EXPECT_EQ(QApplication::activeWindow(), &usersWindow);
}

TEST_F(PopupOnDesktop, TheCloseBoxOnlyHidesThePopup) {
  popup->Show();
  ASSERT_TRUE(WaitUntilFramed());
  PressCloseBox(*widget);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !popup->IsVisible(); }, 5000));
  EXPECT_EQ(PopupWidget(), widget) << "hidden, not destroyed";
  popup->Show();
  EXPECT_TRUE(popup->IsVisible());
  EXPECT_EQ(popup->Position().x, 642);
}

TEST_F(PopupOnDesktop, HideKeepsThePlaceAndTheFrameSizeForTheNextPlacement) {
  popup->Show();
  ASSERT_TRUE(WaitUntilFramed());
  const platform::Size framed = popup->OuterSize();
  popup->SetLeft(500);
  popup->SetTop(300);
  popup->Hide();
  QTest::qWait(200);
  EXPECT_EQ(popup->OuterSize(), framed);
  EXPECT_EQ(popup->Position().x, 500);
  EXPECT_EQ(popup->Position().y, 300);
  popup->Show();
  EXPECT_TRUE(WaitForFrameAt(QPoint(500, 300)));
}

TEST_F(PopupOnDesktop, DestroyingThePopupEndsItsHelper) {
  e2e::OnePageServer server(kGreenPage);
  popup->Navigate(Address(server.Port(), "/"));
  ASSERT_TRUE(WaitForCompletions(1));
  ASSERT_EQ(HelperProcesses().size(), 1u);
  popup.reset();
  EXPECT_TRUE(HelperProcesses().empty());
}

TEST_F(PopupOnDesktop, AnAddressTheViewCannotTakeIsRefusedWithAnError) {
  EXPECT_THROW(popup->Navigate(u"http://[::1/"), Error);
  EXPECT_TRUE(HelperProcesses().empty());
}

}  // namespace
}  // namespace zelmora

int main(int argc, char** argv) {
  // The page view's comings and goings, for a failure's story.
  const zelmora::ScopedLogSink log(
      [](const std::string& line) { std::fprintf(stderr, "log: %s\n", line.c_str()); });
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
