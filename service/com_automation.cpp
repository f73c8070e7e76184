#include "service/com_automation.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "service/windows_failure.h"
#include "winapi/com.h"
#include "winapi/text.h"

namespace orvanel::com {

using winapi::com_ptr;
using winapi::query;
using winapi::unique_variant;
using winapi::utf8_from_bstr;

namespace {

// IID_NULL, without the GUID library that would come with it.
constexpr IID kNoInterface{};

class ComObject;

Value value_from(VARIANT& variant);

class ComEnumerator final : public Enumerator {
 public:
  explicit ComEnumerator(com_ptr<IEnumVARIANT> items) noexcept : items_(std::move(items)) {}

  std::optional<Value> next() override {
    unique_variant item;
    ULONG fetched = 0;
    const HRESULT result = items_->Next(1, item.put(), &fetched);
    throw_if_failed(result);
    if (result == S_FALSE || fetched == 0) return std::nullopt;
    return value_from(*item.get());
  }

 private:
  com_ptr<IEnumVARIANT> items_;
};

// One reference on an IDispatch, counted by the handles that share it.
class ComObject final : public Dispatch {
 public:
  explicit ComObject(com_ptr<IDispatch> dispatch) noexcept : dispatch_(std::move(dispatch)) {}
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  void add_ref() noexcept override { ++references_; }
  void release() noexcept override {
    if (--references_ == 0) delete this;
  }

  Value property(std::string_view name) override {
    unique_variant result = invoke(id_of(name), DISPATCH_PROPERTYGET | DISPATCH_METHOD, {});
    return value_from(*result.get());
  }

  Value call(std::string_view name, std::span<const Value> args) override {
    unique_variant result = invoke(id_of(name), DISPATCH_METHOD, args);
    return value_from(*result.get());
  }

  void call_without_result(std::string_view name, std::span<const Value> args) override {
    invoke(id_of(name), DISPATCH_METHOD, args, Result::kNotWanted);
  }

  std::unique_ptr<Enumerator> enumerate() override {
    unique_variant result = invoke(DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
    VARIANT& variant = *result.get();
    IUnknown* unknown = nullptr;
    if (variant.vt == VT_UNKNOWN) unknown = variant.punkVal;
    if (variant.vt == VT_DISPATCH) unknown = variant.pdispVal;
    if (unknown == nullptr) throw_failure(DISP_E_TYPEMISMATCH);
    com_ptr<IEnumVARIANT> items;
    const HRESULT queried = query(unknown, items);
    throw_if_failed(queried);
    return std::make_unique<ComEnumerator>(std::move(items));
  }

  [[nodiscard]] IDispatch* dispatch() const noexcept { return dispatch_.get(); }

 private:
  ~ComObject() = default;

  DISPID id_of(std::string_view name) {
    std::wstring text = winapi::wide_from_utf8(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT result =
        dispatch_->GetIDsOfNames(kNoInterface, names, 1, LOCALE_USER_DEFAULT, &id);
    throw_if_failed(result);
    return id;
  }

  enum class Result : std::uint8_t { kWanted, kNotWanted };
  unique_variant invoke(DISPID id, WORD flags, std::span<const Value> args,
                        Result wanted = Result::kWanted);

  com_ptr<IDispatch> dispatch_;
  int references_ = 1;
};

unique_variant variant_from(const Value& value) {
  unique_variant variant;
  VARIANT& v = *variant.get();
  struct {
    VARIANT& v;
    void operator()(std::monostate) const {}
    void operator()(Null) const { v.vt = VT_NULL; }
    void operator()(std::int32_t number) const {
      v.vt = VT_I4;
      v.lVal = number;
    }
    void operator()(const std::string& text) const {
      const std::wstring w = winapi::wide_from_utf8(text);
      v.bstrVal = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
      if (v.bstrVal == nullptr) throw_failure(E_OUTOFMEMORY);
      v.vt = VT_BSTR;
    }
    void operator()(const Object& object) const {
      auto* com = dynamic_cast<ComObject*>(object.get());
      if (object && com == nullptr) throw_failure(DISP_E_TYPEMISMATCH);
      v.vt = VT_DISPATCH;
      v.pdispVal = com == nullptr ? nullptr : com->dispatch();
      if (v.pdispVal != nullptr) v.pdispVal->AddRef();
    }
  } fill{v};
  std::visit(fill, value);
  return variant;
}

unique_variant ComObject::invoke(DISPID id, WORD flags, std::span<const Value> args,
                                 Result wanted) {
  // Invoke takes its arguments last to first.
  std::vector<unique_variant> owned;
  owned.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) owned.push_back(variant_from(*it));
  std::vector<VARIANT> packed;
  packed.reserve(owned.size());
  for (const unique_variant& arg : owned) packed.push_back(*arg.get());

  DISPPARAMS parameters{};
  parameters.rgvarg = packed.empty() ? nullptr : packed.data();
  parameters.cArgs = static_cast<UINT>(packed.size());
  unique_variant result;
  EXCEPINFO exception{};
  UINT bad_argument = 0;
  const HRESULT outcome = dispatch_->Invoke(
      id, kNoInterface, LOCALE_USER_DEFAULT, flags, &parameters,
      wanted == Result::kWanted ? result.put() : nullptr, &exception, &bad_argument);
  if (FAILED(outcome)) throw_failure(outcome, &exception);
  return result;
}

Value value_from(VARIANT& variant) {
  // VariantCopyInd copies a value as it stands and one held by reference alike.
  unique_variant direct;
  throw_if_failed(VariantCopyInd(direct.get(), &variant));
  VARIANT& v = *direct.get();
  switch (v.vt) {
    case VT_EMPTY:
      return {};
    case VT_NULL:
      return Null{};
    case VT_BSTR:
      return utf8_from_bstr(v.bstrVal);
    case VT_DISPATCH:
      return v.pdispVal == nullptr ? Object{} : object_from(v.pdispVal);
    case VT_UNKNOWN: {
      if (v.punkVal == nullptr) return Object{};
      com_ptr<IDispatch> dispatch;
      if (FAILED(query(v.punkVal, dispatch))) throw_failure(DISP_E_TYPEMISMATCH);
      return object_from(dispatch.get());
    }
    default: {
      // Numbers, dates, booleans: the text the platform's conversion gives.
      unique_variant text;
      const HRESULT result = VariantChangeType(text.get(), &v, VARIANT_ALPHABOOL, VT_BSTR);
      throw_if_failed(result);
      return utf8_from_bstr(text.get()->bstrVal);
    }
  }
}

}  // namespace

Object object_from(IDispatch* dispatch) {
  com_ptr<IDispatch> held;
  held.copy_from(dispatch);
  return Object::adopt(new ComObject(std::move(held)));
}

Object MonikerBinder::bind(std::string_view moniker) {
  const std::wstring name = winapi::wide_from_utf8(moniker);
  com_ptr<IDispatch> dispatch;
  const HRESULT result =
      CoGetObject(name.c_str(), nullptr, __uuidof(IDispatch), dispatch.put_void());
  throw_if_failed(result);
  return object_from(dispatch.get());
}

}  // namespace orvanel::com
