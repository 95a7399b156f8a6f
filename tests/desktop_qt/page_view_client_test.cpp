// The reminder's side of the page-view helper against stand-in helpers (shell
// scripts that answer, hang, keep loading or die at start), so that each way a
// helper can fail is met on purpose. The real helper is tested on the virtual
// desktop (tests/e2e/popup_window_test.cpp).
#include "platform/desktop_qt/pageview/page_view_client.h"

#include <gtest/gtest.h>

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
// start, and logs its starts, the addresses it was sent and its ends.
constexpr const char* kStandIn = R"(#!/bin/sh
d=$(dirname "$0")
echo start >>"$d/starts"
case $(cat "$d/mode") in
  die) exit 3 ;;
  hang-once) echo answer >"$d/mode"; exec cat >/dev/null ;;
  keep-loading) while read -r command address; do echo navigating; done ;;
  answer)
    while read -r command address; do
      echo "$address" >>"$d/addresses"
      echo navigating
      echo "loaded ok"
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
    client = std::make_unique<PageViewClient>(0, QRect(0, 0, 350, 251), dir.filePath("helper"),
                                              PageViewTiming{.answerDeadline = 1s, .quitTimeout = 1s});
    QObject::connect(client.get(), &PageViewClient::LoadFinished, [this] { ++loads; });
    QObject::connect(client.get(), &PageViewClient::Failed, [this](const QString& reason) {
      ++failures;
      lastFailure = reason;
    });
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
};

TEST_F(PageViewClientTest, AHelperThatDoesNotAnswerIsRestartedAndTheNavigationSentAgain) {
  SetMode("hang-once");
  client->Navigate(QUrl("http://127.0.0.1/task?id=1"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));
  EXPECT_EQ(Log("starts").size(), 2);
  EXPECT_EQ(Log("addresses"), QList<QByteArray>{"http://127.0.0.1/task?id=1"});
  EXPECT_EQ(failures, 0);
}

TEST_F(PageViewClientTest, AHelperThatKeepsDyingAtStartIsReportedOnceUntilAPageLoadsAgain) {
  SetMode("die");
  client->Navigate(QUrl("http://127.0.0.1/1"));
  ASSERT_TRUE(WaitFor([&] { return failures == 1; }));
  EXPECT_EQ(Log("starts").size(), 2) << "one start and one retry";
  EXPECT_TRUE(lastFailure.contains("exit code 3")) << lastFailure.toStdString();
  EXPECT_FALSE(client->Loading());

  client->Navigate(QUrl("http://127.0.0.1/2"));  // the next task
  ASSERT_TRUE(WaitFor([&] { return Log("starts").size() == 4 && !client->Loading(); }));
  QTest::qWait(100);
  EXPECT_EQ(failures, 1) << "not reported at every task";

  SetMode("answer");
  client->Navigate(QUrl("http://127.0.0.1/3"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));
  SetMode("die");
  client->Release();
  client->Navigate(QUrl("http://127.0.0.1/4"));
  EXPECT_TRUE(WaitFor([&] { return failures == 2; })) << "working in between: reported again";
}

TEST_F(PageViewClientTest, ReleaseEndsTheHelperAndRestoreReloadsTheLastAddressWithoutReportingIt) {
  SetMode("answer");
  client->Navigate(QUrl("http://127.0.0.1/a"));
  ASSERT_TRUE(WaitFor([&] { return loads == 1; }));

  EXPECT_TRUE(client->Release());
  EXPECT_FALSE(client->Running());
  ASSERT_TRUE(WaitFor([&] { return Log("ends").size() == 1; })) << "the helper left on its own";

  client->Restore();
  ASSERT_TRUE(WaitFor([&] { return Log("addresses").size() == 2 && !client->Loading(); }));
  EXPECT_EQ(Log("addresses"), (QList<QByteArray>{"http://127.0.0.1/a", "http://127.0.0.1/a"}));
  QTest::qWait(100);
  EXPECT_EQ(loads, 1) << "the page came back; it was not loaded anew";

  client->Restore();  // running already: nothing happens
  client->Navigate(QUrl("http://127.0.0.1/b"));
  ASSERT_TRUE(WaitFor([&] { return loads == 2; }));
  EXPECT_EQ(Log("starts").size(), 2);
}

TEST_F(PageViewClientTest, AHelperStillLoadingIsNotReleased) {
  SetMode("keep-loading");
  client->Navigate(QUrl("http://127.0.0.1/slow"));
  QTest::qWait(1500);  // past the answer deadline: acknowledged, so not hung
  EXPECT_EQ(Log("starts").size(), 1);
  EXPECT_TRUE(client->Loading());
  EXPECT_FALSE(client->Release());
  EXPECT_TRUE(client->Running());
}

TEST(LineBuffer, CutsLinesAcrossChunksAndDropsOnlyTheLinesThatAreTooLong) {
  using Lines = QList<QByteArray>;
  LineBuffer buffer(10);
  EXPECT_EQ(buffer.Append("load"), Lines{});
  EXPECT_EQ(buffer.Append("ed ok\r\nnavi"), Lines{"loaded ok"});
  EXPECT_EQ(buffer.Append("gating\r\n"), Lines{"navigating"}) << "ten bytes and a CR fit";
  EXPECT_EQ(buffer.Append(QByteArray(11, 'x') + "\nok\n"), Lines{"ok"});
  EXPECT_EQ(buffer.Append(QByteArray(6, 'y')), Lines{});
  EXPECT_EQ(buffer.Append(QByteArray(6, 'y')), Lines{}) << "too long already: nothing more is kept";
  EXPECT_EQ(buffer.Append("yyy\nlast\n"), Lines{"last"});
}

}  // namespace
}  // namespace zelmora::platform::qt
