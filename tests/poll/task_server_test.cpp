#include "poll/task_server.h"

#include <gtest/gtest.h>

#include "core/error.h"
#include "poll/task_server_exchange.h"
#include "tests/support/scripted_server.h"

namespace zelmora {
namespace {

using Fields = std::vector<std::string>;

TEST(SplitFields, DropsEmptyPiecesExceptTheLast) {
  EXPECT_EQ(SplitFields("5|12|3|Hello", "|"), (Fields{"5", "12", "3", "Hello"}));
  EXPECT_EQ(SplitFields("|12|3|Hello", "|"), (Fields{"12", "3", "Hello"}));
  EXPECT_EQ(SplitFields("5||12", "|"), (Fields{"5", "12"}));
  EXPECT_EQ(SplitFields("5|12|3|", "|"), (Fields{"5", "12", "3", ""}));
  EXPECT_EQ(SplitFields("", "|"), (Fields{""}));
  EXPECT_EQ(SplitFields("abc", "|"), (Fields{"abc"}));
  EXPECT_EQ(SplitFields("a<>b", "<>"), (Fields{"a", "b"}));
}

// The reply is text in GBK, where the second byte of 東 (96 7C) or 億 (83 7C)
// is the delimiter's: after a lead byte (0x81 to 0xFE) comes no delimiter.
TEST(SplitFields, NeverCutsAGbkCharacterWhoseSecondByteIsTheDelimiter) {
  EXPECT_EQ(SplitFields("0|5|5|\xB9\xE3\x96\x7C\xC8\xCE\xCE\xF1", "|"),
            (Fields{"0", "5", "5", "\xB9\xE3\x96\x7C\xC8\xCE\xCE\xF1"}));
  EXPECT_EQ(SplitFields("\x83|\x83||x|\x81", "|"), (Fields{"\x83|\x83|", "x", "\x81"}));
}

TEST(TaskServerAddresses, CounterRequestCarriesIdsAndCheckedFiltersInOrder) {
  EXPECT_EQ(CounterRequestAddress("h", 0, 0, {}),
            "http://h/tx.php?action=getnum&taskid=0&noteid=0&type1=1&type2=1&ip1=1&ip2=1");
  EXPECT_EQ(CounterRequestAddress("h:81", -7, 12, {true, true, false, false}),
            "http://h:81/tx.php?action=getnum&taskid=-7&noteid=12&type1=1&type2=1");
  EXPECT_EQ(CounterRequestAddress("h", 3, 4, {false, false, false, false}),
            "http://h/tx.php?action=getnum&taskid=3&noteid=4");
  EXPECT_EQ(CounterRequestAddress("h", 0, 0, {false, true, false, true}),
            "http://h/tx.php?action=getnum&taskid=0&noteid=0&type2=1&ip2=1");
}

TEST(TaskServerAddresses, TaskPageTakesTheWorkerIdUnencoded) {
  EXPECT_EQ(TaskPageAddress("h", "ZM-张 三&x", 42, {true, false, true, false}),
            "http://h/tx.php?action=show&userid=ZM-张 三&x&taskid=42&type1=1&ip1=1");
}

class CounterReply : public ::testing::Test {
 protected:
  void Apply(std::string_view reply) {
    ApplyCounterReply(reply, state, [this](std::string text) { shown.push_back(std::move(text)); });
  }
  PollState state;
  std::vector<std::string> shown;
};

TEST_F(CounterReply, NewerTaskAndNoteAreTakenInOrder) {
  Apply("5|12|3|Hello");
  EXPECT_EQ(state.TaskId, 12);
  EXPECT_EQ(state.PrevTaskId, 0);
  EXPECT_EQ(state.NewTaskFlag, 1);
  EXPECT_EQ(state.NoteId, 3);
  EXPECT_EQ(shown, Fields{"Hello"});
}

TEST_F(CounterReply, EmptyFirstPieceShiftsFieldsAndStopsAtTheNote) {
  EXPECT_THROW(Apply("|12|3|Hello"), Error);
  EXPECT_EQ(state.TaskId, 3);
  EXPECT_EQ(state.NewTaskFlag, 1);
  EXPECT_EQ(state.NoteId, 0);
  EXPECT_TRUE(shown.empty());
}

TEST_F(CounterReply, EmptyLastFieldBlanksTheAnnouncement) {
  Apply("5|12|3|");
  EXPECT_EQ(shown, Fields{""});
}

TEST_F(CounterReply, FieldsPastTheAnnouncementAreIgnored) {
  Apply("5|12|3|a|b");
  EXPECT_EQ(shown, Fields{"a"});
}

TEST_F(CounterReply, MissingAnnouncementStillTakesTheNoteId) {
  EXPECT_THROW(Apply("5|12|3"), Error);
  EXPECT_EQ(state.TaskId, 12);
  EXPECT_EQ(state.NoteId, 3);
  EXPECT_TRUE(shown.empty());
}

TEST_F(CounterReply, OneFieldOrUnparsableTaskChangesNothing) {
  EXPECT_THROW(Apply("abc"), Error);
  EXPECT_THROW(Apply("5|12\r\n|3|x"), Error);
  EXPECT_EQ(state.TaskId, 0);
  EXPECT_EQ(state.NewTaskFlag, 0);
  EXPECT_EQ(state.NoteId, 0);
}

TEST_F(CounterReply, TrailingLineEndOnTheNoteIdStopsAfterTheTask) {
  EXPECT_THROW(Apply("5|12|3\n"), Error);
  EXPECT_EQ(state.TaskId, 12);
  EXPECT_EQ(state.NoteId, 0);
}

TEST_F(CounterReply, OnlyAStrictlyGreaterIdCounts) {
  Apply("5|12|3|Hello");
  state.NewTaskFlag = 0;
  Apply("5|12|3|Again");
  EXPECT_EQ(state.NewTaskFlag, 0);
  EXPECT_EQ(shown.size(), 1u);

  Apply("5|4|1|Dropped");  // a server reset: ignored until it climbs past 12
  EXPECT_EQ(state.TaskId, 12);
  EXPECT_EQ(state.NewTaskFlag, 0);

  Apply("5|13|3|x");
  EXPECT_EQ(state.PrevTaskId, 12);
  EXPECT_EQ(state.TaskId, 13);
  EXPECT_EQ(state.NewTaskFlag, 1);
}

TEST_F(CounterReply, ANulInAFieldShowsInTheComplaintRatherThanEndingIt) {
  try {
    Apply(std::string_view("0|5\0|1|x", 8));
    ADD_FAILURE() << "applied";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "'5?' is not a valid integer value");
  }
}

// A busy server's reply, read by the real client from a real socket, reaches
// the poll cycle with what it needs to slow down.
TEST(TaskServerExchangeFailures, ABusyReplyCarriesItsStatusAndRetryAfter) {
  testing::ScriptedServer server;
  server.Play("HTTP/1.1 429 Too Many Requests\r\nRetry-After:  120 \r\nContent-Length: 4\r\n\r\nbusy");
  PollState state;
  TaskFilters filters;
  TaskServerExchange exchange({state, filters, {}}, "127.0.0.1:" + std::to_string(server.Port()));
  try {
    exchange.Run();
    FAIL() << "a 429 reply must fail the poll";
  } catch (const ReplyStatusError& failure) {
    EXPECT_STREQ(failure.what(), "HTTP/1.1 429 Too Many Requests");
    EXPECT_EQ(failure.Status(), 429);
    EXPECT_EQ(failure.RetryAfter(), "120");
  }
  exchange.Disconnect();
}

}  // namespace
}  // namespace zelmora
