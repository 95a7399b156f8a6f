// The reminder's side of the page-view helper against stand-in helpers (shell
// scripts that answer, hang, keep loading or cannot run), so that each way a
// helper can fail is met on purpose. The real helper is tested on the virtual
// desktop (tests/e2e/popup_window_test.cpp).
#include "platform/desktop_qt/pageview/page_view_client.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "platform/desktop_qt/pageview/line_buffer.h"

namespace zelmora::platform::qt {
namespace {

using namespace std::chrono_literals;

// The stand-in reads its behaviour from the file "mode" beside it at every
// start, and logs its starts (by process id), the commands it was sent and its ends.
constexpr const char* kStandIn = R"(#!/bin/sh
d=$(dirname "$0")
echo $$ >>"$d/starts"
case $(cat "$d/mode") in
  cannot-run) echo "zelmora-pageview: cannot open the X display" >&2; exit 1 ;;
  hang-once) echo answer >"$d/mode"; exec cat >/dev/null ;;
  keep-loading) while read -r command address; do echo navigating; done ;;
  answer)
    while read -r command address; do
      echo "$command $address" >>"$d/commands"
      [ "$command" = navigate ] || continue
      echo navigating
      echo "loaded ok"
      case $address in *new-window*) echo "open file:///etc/passwd"; echo "open http://127.0.0.1/asked" ;; esac
    done ;;
esac
echo end >>"$d/ends"
)";

class PageViewClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    QFile script(dir.filePath("helper"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(kStandIn);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    client = MakeClient(dir.filePath("helper"));
  }

  std::unique_ptr<PageViewClient> MakeClient(const QString& program) {
    auto made = std::make_unique<PageViewClient>(0, QRect(0, 0, 350, 251), program,
                                                 PageViewTiming{.answerDeadline = 1s, .quitTimeout = 1s});
    QObject::connect(made.get(), &PageViewClient::LoadFinished, [this] { ++loads; });
    QObject::connect(made.get(), &PageViewClient::Failed, [this](const QString& reason) {
      ++failures;
      lastFailure = reason;
    });
    QObject::connect(made.get(), &PageViewClient::OpenRequested,
                     [this](const QUrl& address) { opened.append(address); });
    return made;
  }

  void SetMode(const char* mode) {
    QFile file(dir.filePath("mode"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(mode);
  }
  // The lines the stand-ins wrote into one of their logs.
  QList<QByteArray> Log(const char* name) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    lines.removeLast();  // after the last line break
    return lines;
  }
  bool WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }

  QTemporaryDir dir;
  std::unique_ptr<PageViewClient> client;
  int loads = 0;
  int failures = 0;
  QString lastFailure;
  QList<QUrl> opened;
};

TEST_F(PageViewClientTest, AHelperThatDoesNotAnswerIsRestartedAndTheNavigationSentAgain) {
  SetMode("hang-once");
  client->Navigate(QUrl("http://127.0.0.1/task?id=1"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));
  EXPECT_EQ(Log("starts").size(), 2);
  EXPECT_EQ(Log("commands"), (QList<QByteArray>{"navigate http://127.0.0.1/task?id=1", "hide "}))
      << "asked for while the popup is hidden";
  EXPECT_EQ(failures, 0);
}

// Every task says why its page cannot be shown, not only the first one.
TEST_F(PageViewClientTest, AHelperThatCannotRunIsReportedWithItsReasonAtEveryNavigation) {
  SetMode("cannot-run");
  client->Navigate(QUrl("http://127.0.0.1/1"));
  ASSERT_TRUE(WaitFor([&] { return failures == 1; }));
  EXPECT_EQ(Log("starts").size(), 2) << "one start and one retry";
  EXPECT_EQ(lastFailure,
            "zelmora-pageview ended with exit code 1: zelmora-pageview: cannot open the X display");
  EXPECT_FALSE(client->Loading());

  client->Navigate(QUrl("http://127.0.0.1/2"));  // the next task
  EXPECT_TRUE(WaitFor([&] { return failures == 2; }));

  auto missing = MakeClient(dir.filePath("no-such-helper"));
  missing->Navigate(QUrl("http://127.0.0.1/3"));
  EXPECT_EQ(failures, 3);
  EXPECT_TRUE(
      lastFailure.startsWith("zelmora-pageview could not be started (" + dir.filePath("no-such-helper")))
      << lastFailure.toStdString();
}

TEST_F(PageViewClientTest, ReleaseEndsTheHelperWhateverItsPageIsDoing) {
  SetMode("keep-loading");
  client->SetShown(true);
  client->Navigate(QUrl("http://127.0.0.1/slow"));
  QTest::qWait(1500);  // past the answer deadline: acknowledged, so not hung
  EXPECT_EQ(Log("starts").size(), 1);
  ASSERT_TRUE(client->Loading());
  client->Release();
  EXPECT_FALSE(client->Running());
  EXPECT_TRUE(WaitFor([&] { return Log("ends").size() == 1; })) << "the helper left on its own";
}

// Back in sight, a page whose helper was given back or is gone returns
// without a new load report: the auto-close timer is not armed again.
TEST_F(PageViewClientTest, BackInSightAGoneHelperStartsAgainOnTheLastAddressQuietly) {
  SetMode("answer");
  client->SetShown(true);
  client->Navigate(QUrl("http://127.0.0.1/a"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));
  client->SetShown(false);
  client->Release();
  client->SetShown(true);
  ASSERT_TRUE(WaitFor([&] { return Log("commands").size() == 3 && !client->Loading(); }));
  EXPECT_EQ(Log("commands"),
            (QList<QByteArray>{"navigate http://127.0.0.1/a", "hide ", "navigate http://127.0.0.1/a"}));

  // Killed under the user's eyes: back once; killed again in the same showing: left.
  ::kill(Log("starts").back().toInt(), SIGKILL);
  ASSERT_TRUE(WaitFor([&] { return Log("commands").size() == 4 && !client->Loading(); }));
  ::kill(Log("starts").back().toInt(), SIGKILL);
  ASSERT_TRUE(WaitFor([&] { return !client->Running(); }));
  QTest::qWait(300);
  EXPECT_EQ(Log("starts").size(), 3);
  EXPECT_EQ(loads, 1) << "the page came back; it was not loaded anew";
  EXPECT_EQ(failures, 0);

  client->SetShown(false);
  client->SetShown(true);
  EXPECT_TRUE(WaitFor([&] { return Log("starts").size() == 4; }));
}

TEST_F(PageViewClientTest, OnlyWebAddressesGoToTheUsersBrowser) {
  SetMode("answer");
  client->Navigate(QUrl("http://127.0.0.1/new-window"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));
  QTest::qWait(100);
  EXPECT_EQ(opened, QList<QUrl>{QUrl("http://127.0.0.1/asked")});
}

TEST(LineBuffer, CutsLinesAcrossChunksAndDropsOnlyTheLinesThatAreTooLong) {
  using Lines = std::vector<std::string>;
  LineBuffer buffer(10);
  EXPECT_EQ(buffer.Append("load"), Lines{});
  EXPECT_EQ(buffer.Append("ed ok\r\nnavi"), Lines{"loaded ok"});
  EXPECT_EQ(buffer.Append("gating\r\n"), Lines{"navigating"}) << "ten bytes and a CR fit";
  EXPECT_EQ(buffer.Append(std::string(11, 'x') + "\nok\n"), Lines{"ok"});
  EXPECT_EQ(buffer.Append(std::string(6, 'y')), Lines{});
  EXPECT_EQ(buffer.Append(std::string(6, 'y')), Lines{}) << "too long already: nothing more is kept";
  EXPECT_EQ(buffer.Append("yyy\nlast\n"), Lines{"last"});
}

}  // namespace
}  // namespace zelmora::platform::qt
