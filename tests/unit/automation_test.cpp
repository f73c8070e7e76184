#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "service/automation.h"
#include "unit/counting_dispatch.h"

namespace orvanel {
namespace {

using testing::CountingDispatch;

TEST(ObjectHandle, CopiesMovesAndAssignmentsKeepTheBalance) {
  CountingDispatch first;
  CountingDispatch second;
  {
    Object a = first.handle();
    Object b = a;  // shares
    EXPECT_EQ(first.references(), 2);
    Object c = std::move(b);  // moves without touching the count
    EXPECT_FALSE(b);          // NOLINT(bugprone-use-after-move): moved-from is empty by contract
    EXPECT_EQ(first.references(), 2);
    c = second.handle();  // releases what it held
    EXPECT_EQ(first.references(), 1);
    EXPECT_EQ(second.references(), 1);
    Object d = first.handle();
    d = c;  // a copy-assignment too: takes the new object, releases the old
    EXPECT_EQ(first.references(), 1);
    EXPECT_EQ(second.references(), 2);
    d.reset();
    c = c;  // NOLINT: self-assignment must not drop the object
    EXPECT_EQ(second.references(), 1);
    a = std::move(c);
    EXPECT_EQ(first.references(), 0);
    a.reset();
    EXPECT_FALSE(a);
  }
  EXPECT_EQ(first.references(), 0);
  EXPECT_EQ(second.references(), 0);
}

TEST(ObjectHandle, EveryOperationOnAnEmptyHandleFailsAsObjectNotSet) {
  const Object empty;
  const auto expect_not_set = [](auto&& operation) {
    try {
      operation();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), 91);
      EXPECT_EQ(failure.description(), "Object variable or With block variable not set");
    }
  };
  expect_not_set([&] { (void)empty.property("State"); });
  expect_not_set([&] { empty.call("StopService"); });
  expect_not_set([&] { (void)empty.enumerate(); });
}

TEST(ObjectHandle, PassesNamesAndArgumentsAndSurvivesBeingDroppedMidCall) {
  CountingDispatch fake;
  fake.answer = std::string("Running");
  Object held = fake.handle();
  int references_during_call = -1;
  fake.during_call = [&] {
    held.reset();  // whatever the call re-enters drops the only handle
    references_during_call = fake.references();
  };
  EXPECT_EQ(text_of(held.property("State")), "Running");
  EXPECT_EQ(references_during_call, 1) << "the call itself must hold the object";
  EXPECT_EQ(fake.references(), 0);

  fake.during_call = nullptr;
  {
    const Object service = fake.handle();
    const Value argument{std::string("Select")};
    service.call("ExecQuery", {&argument, 1});
    service.call("StopService");
  }
  EXPECT_EQ(fake.names, (std::vector<std::string>{"State", "ExecQuery/1", "StopService/0"}));
  EXPECT_EQ(fake.references(), 0);
}

TEST(Enumeration, YieldsObjectsAndRejectsAnythingElse) {
  CountingDispatch collection;
  CountingDispatch element;
  {
    collection.elements = {Value(element.handle()), Value(std::string("not an object"))};
    Object handle = collection.handle();
    Enumeration walk = handle.enumerate();
    std::optional<Object> first = walk.next();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->get(), &element);
    try {
      (void)walk.next();
      ADD_FAILURE() << "a text element was accepted as an object";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), 424);
    }
    EXPECT_FALSE(walk.next().has_value());
    collection.elements.clear();
  }
  EXPECT_EQ(collection.references(), 0);
  EXPECT_EQ(element.references(), 0);
}

TEST(TextOf, ConvertsAsALateBoundClientDoes) {
  EXPECT_EQ(text_of(Value{}), "");
  EXPECT_EQ(text_of(Value{std::int32_t{-4}}), "-4");
  EXPECT_EQ(text_of(Value{std::string("Stop Pending")}), "Stop Pending");
  const std::string with_nul("Run\0ning", 8);
  EXPECT_EQ(text_of(Value{with_nul}), with_nul);
  try {
    (void)text_of(Value{Null{}});
    ADD_FAILURE() << "Null converted to text";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), 94);
  }
  CountingDispatch fake;
  {
    const Value object{fake.handle()};
    EXPECT_THROW((void)text_of(object), Failure);
    EXPECT_THROW((void)object_of(Value{std::string("x")}), Failure);
  }
  EXPECT_EQ(fake.references(), 0);
}

}  // namespace
}  // namespace orvanel
