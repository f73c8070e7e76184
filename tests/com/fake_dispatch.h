#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orvanel::testing {

// A COM automation object that counts AddRef and Release and records every
// name it is asked to bind and every Invoke flag set. Its members cover the
// kinds of answer a late-bound client meets.
class FakeDispatch final : public IDispatch {
 public:
  enum Member : DISPID {
    kState = 1,
    kStop,
    kRaises,
    kDeferred,
    kPlain,
    kNumber,
    kFlag,
    kNothing,
    kChild,
    kEcho,
    kAnswer,
    kStart
  };

  long add_refs = 0;
  long releases = 0;
  std::vector<std::wstring> names;
  std::vector<WORD> flags;
  std::vector<bool> results_asked;  // whether each Invoke was given a result pointer
  std::vector<std::wstring> echoed;
  std::vector<FakeDispatch*> children;  // owned by the test
  VARIANT answer{};                     // what the member "Answer" gives, copied

  [[nodiscard]] long references() const { return add_refs - releases; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++add_refs - releases); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(add_refs - ++releases); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* requested, UINT count, LCID,
                                          DISPID* ids) override {
    static const std::map<std::wstring, DISPID> known{
        {L"State", kState},       {L"StopService", kStop}, {L"Raises", kRaises},
        {L"Deferred", kDeferred}, {L"Plain", kPlain},      {L"Number", kNumber},
        {L"Flag", kFlag},         {L"Nothing", kNothing},  {L"Child", kChild},
        {L"Echo", kEcho},         {L"Answer", kAnswer},    {L"StartService", kStart},
        {L"ExecQuery", kChild}};
    if (count != 1) return E_INVALIDARG;
    names.emplace_back(requested[0]);
    const auto found = known.find(requested[0]);
    if (found == known.end()) {
      ids[0] = DISPID_UNKNOWN;
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = found->second;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD how, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override;

 private:
  static HRESULT STDMETHODCALLTYPE fill_in(EXCEPINFO* exception) {
    exception->bstrDescription = SysAllocString(L"Filled in later");
    exception->scode = static_cast<SCODE>(0x80041002);
    return S_OK;
  }
  friend class FakeItems;
};

// The enumerator the fake's collection hands out; it holds its elements.
class FakeItems final : public IEnumVARIANT {
 public:
  explicit FakeItems(std::vector<FakeDispatch*> items) : items_(std::move(items)) {
    for (FakeDispatch* item : items_) item->AddRef();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IEnumVARIANT) return E_NOINTERFACE;
    *out = static_cast<IEnumVARIANT*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      for (FakeDispatch* item : items_) item->Release();
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* out, ULONG* fetched) override {
    if (wanted != 1) return E_INVALIDARG;
    if (fetched != nullptr) *fetched = 0;
    if (position_ == items_.size()) return S_FALSE;
    out->vt = VT_DISPATCH;
    out->pdispVal = items_[position_++];
    out->pdispVal->AddRef();
    if (fetched != nullptr) *fetched = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  ~FakeItems() = default;
  std::vector<FakeDispatch*> items_;
  std::size_t position_ = 0;
  ULONG references_ = 1;
};

inline HRESULT STDMETHODCALLTYPE FakeDispatch::Invoke(DISPID id, REFIID, LCID, WORD how,
                                                      DISPPARAMS* parameters, VARIANT* result,
                                                      EXCEPINFO* exception, UINT*) {
  flags.push_back(how);
  results_asked.push_back(result != nullptr);
  VARIANT ignored;
  VariantInit(&ignored);
  VARIANT* out = result != nullptr ? result : &ignored;
  switch (id) {
    case kState:
      out->vt = VT_BSTR;
      out->bstrVal = SysAllocString(L"Running");
      return S_OK;
    case kStop:
      out->vt = VT_I4;
      out->lVal = 0;
      return S_OK;
    case kRaises:
      exception->scode = static_cast<SCODE>(0x80041001);
      exception->bstrDescription = SysAllocString(L"Generic failure");
      exception->bstrSource = SysAllocString(L"SWbemObjectEx");
      return DISP_E_EXCEPTION;
    case kDeferred:
      exception->pfnDeferredFillIn = &FakeDispatch::fill_in;
      return DISP_E_EXCEPTION;
    case kPlain:
      return E_NOTIMPL;
    case kStart:
      // An answer no client can use: reading it fails.
      out->vt = VT_ERROR;
      out->scode = E_UNEXPECTED;
      return S_OK;
    case kNumber:
      out->vt = VT_I4;
      out->lVal = 4;
      return S_OK;
    case kFlag:
      out->vt = VT_BOOL;
      out->boolVal = VARIANT_TRUE;
      return S_OK;
    case kNothing:
      out->vt = VT_NULL;
      return S_OK;
    case kChild:
      out->vt = VT_DISPATCH;
      out->pdispVal = children.empty() ? nullptr : children.front();
      if (out->pdispVal != nullptr) out->pdispVal->AddRef();
      return S_OK;
    case kEcho:
      for (UINT k = 0; k < parameters->cArgs; ++k) {
        const VARIANT& arg = parameters->rgvarg[k];
        echoed.emplace_back(arg.vt == VT_BSTR ? std::wstring(arg.bstrVal, SysStringLen(arg.bstrVal))
                                              : std::wstring(L"?"));
      }
      return S_OK;
    case kAnswer:
      if ((answer.vt & VT_BYREF) != 0) {
        *out = answer;  // a reference to the test's own value, as some servers give
        return S_OK;
      }
      return VariantCopy(out, &answer);
    case DISPID_NEWENUM:
      out->vt = VT_UNKNOWN;
      out->punkVal = new FakeItems(children);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace orvanel::testing
