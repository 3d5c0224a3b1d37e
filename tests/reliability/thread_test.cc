// Eight threads ask the built-in data base thousands of questions at once,
// over every domain and every kind of answer (stored values, computed
// values, Drv lists, command sequences, the mode record, size queries,
// printers opened by name), and every answer must equal the one a single
// thread got for the same question.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/image.h"
#include "orvdb/host_platform.h"
#include "orvdb/orvdb.h"
#include "support/model_settings.h"

namespace orv {
namespace {

using AccessFn = int32_t (*)(uint16_t, const ORV_QUERY_CONTEXT*, uint32_t, void*, uint32_t*);

const ORV_WCHAR kOffice[] = {'O', 'f', 'f', 'i', 'c', 'e', 0};

AccessFn export_of(uint16_t id) {
  switch (id >> 12) {
    case 0:
      return ORV_AccessRootDataBase;
    case 1:
      return ORV_AccessDrvDataBase;
    case 2:
      return ORV_AccessLMDataBase;
    case 3:
      return ORV_AccessMntDataBase;
    case 4:
      return ORV_AccessPADataBase;
    default:
      return ORV_AccessSMDataBase;
  }
}

// A question's context; owns its arrays.
struct Question {
  uint16_t id;
  std::vector<uint32_t> selectors;
  std::vector<std::string> texts;
  std::vector<const char*> strings;
  bool by_name;  // the printer named, so each call opens and closes it
  uint32_t cb;   // 0: a size query with no buffer
  ORV_QUERY_CONTEXT context() const {
    ORV_QUERY_CONTEXT c{};
    c.cSelectors = static_cast<uint32_t>(selectors.size());
    c.pSelectors = selectors.empty() ? nullptr : selectors.data();
    c.cStrings = static_cast<uint32_t>(strings.size());
    c.ppStrings = strings.empty() ? nullptr : strings.data();
    c.pPrinterName = by_name ? kOffice : nullptr;
    return c;
  }
};

struct Answer {
  int32_t result;
  uint32_t needed;
  std::vector<uint8_t> bytes;
  bool operator==(const Answer& o) const {
    return result == o.result && needed == o.needed && bytes == o.bytes;
  }
};

Answer ask(const Question& q) {
  const ORV_QUERY_CONTEXT c = q.context();
  Answer a{0, 0xDEADBEEFu, std::vector<uint8_t>(q.cb, 0xEE)};
  a.result = export_of(q.id)(q.id, &c, q.cb, q.cb ? a.bytes.data() : nullptr, &a.needed);
  return a;
}

// The valid settings (support/model_settings.h), with changes.
std::vector<uint32_t> settings(std::initializer_list<std::pair<uint32_t, uint32_t>> changes) {
  std::vector<uint32_t> s(testing::kModelSelectorCount, 0);
  for (auto [i, v] : testing::kValidSettings) s[i] = v;
  for (auto [i, v] : changes) s[i] = v;
  return s;
}

// Every id of the root index outside the internal domain, each with several
// settings and buffers, plus the Drv special ids and computed values.
std::vector<Question> questions() {
  const std::vector<std::vector<uint32_t>> variants = {
      settings({}),
      settings({{28, 256}, {29, 21000}, {30, 29700}}),  // user-defined paper
      settings({{79, 0x00800000}, {80, 3}}),            // option bit 23
      settings({{28, 11}, {5, 261}, {0, 154}}),
      std::vector<uint32_t>(1, 154),
  };
  const std::vector<std::string> texts = {"QXR-7310", "Cleaning", "BK", "TestPrint", "CL"};
  std::vector<Question> out;
  const Image& image = builtin_image();
  std::vector<uint16_t> ids(image.root_ids, image.root_ids + image.root_count);
  for (uint16_t id = 0x100C; id <= 0x101E; ++id) ids.push_back(id);  // special ids, 0x101A too
  for (uint16_t id : ids) {
    if ((id >> 12) == 5) continue;  // internal: no export answers
    for (size_t v = 0; v < variants.size(); ++v) {
      Question q{id, variants[v], texts, {}, v % 2 == 1, static_cast<uint32_t>(v == 3 ? 0 : 1024)};
      out.push_back(std::move(q));
    }
  }
  for (Question& q : out) {
    for (const std::string& t : q.texts) q.strings.push_back(t.c_str());
  }
  return out;
}

TEST(ThreadTest, EightThreadsGetTheSingleThreadedAnswers) {
  orv_host_reset();
  ASSERT_EQ(orv_host_add_printer("Office"), 0);
  const std::vector<Question> qs = questions();
  std::vector<Answer> want;
  for (const Question& q : qs) want.push_back(ask(q));

  // The answers the model is known to give anchor the reference.
  for (size_t i = 0; i < qs.size(); ++i) {
    if (qs[i].id == 0x1003 && qs[i].selectors.size() == 95 && qs[i].selectors[28] == 9 &&
        qs[i].cb == 1024) {
      ASSERT_EQ(want[i].result, DB_OK);
      int32_t size[2];
      std::memcpy(size, want[i].bytes.data(), sizeof size);
      EXPECT_EQ(size[0], 21000);
      EXPECT_EQ(size[1], 29700);
    }
    if (qs[i].id == 0x101E && qs[i].cb == 0) {
      EXPECT_EQ(want[i].result, DB_MORE_DATA);
      EXPECT_EQ(want[i].needed, 192u);
    }
  }

  // A mix of answers, not one error repeated: most questions are answered.
  const auto answered = std::count_if(want.begin(), want.end(), [](const Answer& a) {
    return a.result == DB_OK || a.result == DB_MORE_DATA;
  });
  std::printf("questions answered single-threaded: %ld of %zu\n", static_cast<long>(answered),
              want.size());
  EXPECT_GT(answered * 2, static_cast<long>(want.size()));

  constexpr int kThreads = 8;
  constexpr int kQueriesPerThread = 12000;
  std::atomic<int> mismatches{0};
  std::atomic<long> asked{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Each thread its own order through the questions.
      size_t i = static_cast<size_t>(t) * 97;
      const size_t stride = 1 + 2 * static_cast<size_t>(t);
      for (int k = 0; k < kQueriesPerThread; ++k) {
        i = (i + stride) % qs.size();
        if (!(ask(qs[i]) == want[i])) mismatches.fetch_add(1);
        asked.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(asked.load(), static_cast<long>(kThreads) * kQueriesPerThread);
  EXPECT_EQ(orv_host_live_allocations(), 0u);
  EXPECT_EQ(orv_host_open_printers(), 0u);
  std::printf("threads x queries compared: %d x %d over %zu distinct questions\n", kThreads,
              kQueriesPerThread, qs.size());
  orv_host_reset();
}

}  // namespace
}  // namespace orv
