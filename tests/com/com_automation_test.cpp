#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "com/fake_dispatch.h"
#include "service/com_automation.h"
#include "winapi/error.h"
#include "winapi/com.h"

namespace orvanel {
namespace {

using testing::FakeDispatch;

Failure failure_of(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "the operation did not fail";
  return {0, ""};
}

class ComAutomation : public ::testing::Test {
 protected:
  FakeDispatch fake;
  FakeDispatch first_child;
  FakeDispatch second_child;

  void TearDown() override {
    EXPECT_EQ(fake.references(), 0);
    EXPECT_EQ(first_child.references(), 0);
    EXPECT_EQ(second_child.references(), 0);
  }
};

TEST_F(ComAutomation, ReadsPropertiesAsTextThroughThePlatformConversion) {
  fake.children = {&first_child};
  {
    const Object object = com::object_from(&fake);
    EXPECT_EQ(text_of(object.property("State")), "Running");
    EXPECT_EQ(text_of(object.property("Number")), "4");
    EXPECT_EQ(text_of(object.property("Flag")), "True");
    EXPECT_TRUE(std::holds_alternative<Null>(object.property("Nothing")));
    const Object child = object_of(object.property("Child"));
    EXPECT_EQ(first_child.references(), 1);
    EXPECT_EQ(text_of(child.property("State")), "Running");
  }
  EXPECT_EQ(fake.names,
            (std::vector<std::wstring>{L"State", L"Number", L"Flag", L"Nothing", L"Child"}));
  for (const WORD how : fake.flags) EXPECT_EQ(how, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
}

TEST_F(ComAutomation, CallsMethodsWithTheirArgumentsInOrder) {
  {
    const Object object = com::object_from(&fake);
    EXPECT_EQ(text_of(object.call("StopService")), "0");
    const std::array<Value, 2> args{Value{std::string("first \xE2\x82\xAC")},
                                    Value{std::string("second")}};
    object.call("Echo", args);
  }
  EXPECT_EQ(fake.flags, (std::vector<WORD>{DISPATCH_METHOD, DISPATCH_METHOD}));
  // Invoke receives them last to first.
  EXPECT_EQ(fake.echoed, (std::vector<std::wstring>{L"second", L"first \u20AC"}));
}

TEST_F(ComAutomation, RequestsAskForNoResultWhileQueriesAndPropertiesDo) {
  fake.children = {&first_child};
  {
    const Object services = com::object_from(&fake);
    const std::array<Value, 1> query{Value{std::string("Select")}};
    const Object collection = object_of(services.call("ExecQuery", query));
    (void)services.property("State");
    // Whatever the provider would have answered, a request that was
    // delivered does not fail.
    EXPECT_NO_THROW(services.call_without_result("StartService"));
    EXPECT_NO_THROW(services.call_without_result("StopService"));
    EXPECT_THROW((void)services.call("StartService"), Failure) << "the answer was not unusable";
  }
  EXPECT_EQ(fake.results_asked, (std::vector<bool>{true, true, false, false, true}));
  EXPECT_EQ(fake.flags.at(2), DISPATCH_METHOD);
}

TEST_F(ComAutomation, FailuresCarryTheExceptionOrTheSystemText) {
  const Object object = com::object_from(&fake);

  const Failure raised = failure_of([&] { object.call("Raises"); });
  EXPECT_EQ(raised.number(), static_cast<std::int32_t>(0x80041001));
  EXPECT_EQ(raised.description(), "Generic failure");

  const Failure deferred = failure_of([&] { object.call("Deferred"); });
  EXPECT_EQ(deferred.number(), static_cast<std::int32_t>(0x80041002));
  EXPECT_EQ(deferred.description(), "Filled in later");

  for (const char* name : {"Plain", "NoSuchMember"}) {
    const Failure plain = failure_of([&] { object.call(name); });
    EXPECT_LT(plain.number(), 0) << name;
    EXPECT_FALSE(plain.description().empty()) << name;
    EXPECT_NE(plain.description().back(), '\n') << name;
  }
  EXPECT_EQ(failure_of([&] { object.call("Plain"); }).number(),
            static_cast<std::int32_t>(E_NOTIMPL));
  EXPECT_EQ(failure_of([&] { object.call("NoSuchMember"); }).number(),
            static_cast<std::int32_t>(DISP_E_UNKNOWNNAME));
  // A number no table knows still gets a text.
  EXPECT_EQ(winapi::error_from(static_cast<HRESULT>(0xA0001234)).text,
            "Automation error 0xA0001234");
}

TEST_F(ComAutomation, EnumeratesThroughNewEnumAndHoldsEveryElementOnce) {
  fake.children = {&first_child, &second_child};
  {
    const Object collection = com::object_from(&fake);
    Enumeration walk = collection.enumerate();
    std::optional<Object> first = walk.next();
    std::optional<Object> second = walk.next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(text_of(first->property("State")), "Running");
    EXPECT_FALSE(walk.next().has_value());
    EXPECT_EQ(first_child.references(), 2) << "the enumerator and the handle";
  }
  EXPECT_EQ(fake.flags.front(), DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

}  // namespace
}  // namespace orvanel

namespace orvanel {
namespace {

using testing::FakeDispatch;

// Whatever a server answers, the layer gives text, an object or a Failure.
class ComAnswers : public ::testing::Test {
 protected:
  FakeDispatch fake;
  winapi::unique_variant kept;

  Value answer_of(VARIANT& given) {
    VariantCopy(kept.put(), &given);
    fake.answer = *kept.get();
    const Object object = com::object_from(&fake);
    return object.property("Answer");
  }
  void TearDown() override {
    fake.answer = VARIANT{};
    EXPECT_EQ(fake.references(), 0);
  }
};

VARIANT text(const std::wstring& value) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  return v;
}

TEST_F(ComAnswers, TextsComeThroughWhole) {
  winapi::unique_variant v;
  *v.get() = text(std::wstring(L"Run\0ning", 8));
  EXPECT_EQ(text_of(answer_of(*v.get())), std::string("Run\0ning", 8));
  *v.put() = text(L"Running \U0001F680");
  EXPECT_EQ(text_of(answer_of(*v.get())), "Running \xF0\x9F\x9A\x80");
  *v.put() = text(std::wstring(L"x\xD800y"));
  EXPECT_EQ(text_of(answer_of(*v.get())), "x\xEF\xBF\xBDy") << "a lone surrogate";
  *v.put() = text(std::wstring(10000, L'&'));
  EXPECT_EQ(text_of(answer_of(*v.get())), std::string(10000, '&'));

  const winapi::unique_bstr held(SysAllocString(L"Stopped"));
  BSTR referred = held.get();
  VARIANT by_reference;
  by_reference.vt = VT_BSTR | VT_BYREF;
  by_reference.pbstrVal = &referred;
  fake.answer = by_reference;
  EXPECT_EQ(text_of(com::object_from(&fake).property("Answer")), "Stopped");
}

TEST_F(ComAnswers, OddTypesBecomeTextNothingOrAFailure) {
  VARIANT v;
  VariantInit(&v);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(answer_of(v)));
  v.vt = VT_DATE;
  v.date = 45000.5;
  EXPECT_FALSE(text_of(answer_of(v)).empty());
  v.vt = VT_DISPATCH;
  v.pdispVal = nullptr;
  EXPECT_FALSE(object_of(answer_of(v))) << "a null object is an empty reference";

  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  for (const VARTYPE odd : {VARTYPE{VT_ERROR}, VARTYPE{VT_ARRAY | VT_I4}}) {
    winapi::unique_variant odd_value;
    if (odd == VT_ERROR) {
      *odd_value.get() = v;
    } else {
      SAFEARRAYBOUND bound{3, 0};
      odd_value.get()->vt = VT_ARRAY | VT_I4;
      odd_value.get()->parray = SafeArrayCreate(VT_I4, 1, &bound);
    }
    try {
      (void)answer_of(*odd_value.get());
      ADD_FAILURE() << "type " << odd << " became a value";
    } catch (const Failure& failure) {
      EXPECT_LT(failure.number(), 0);
      EXPECT_FALSE(failure.description().empty());
    }
  }
}

}  // namespace
}  // namespace orvanel
