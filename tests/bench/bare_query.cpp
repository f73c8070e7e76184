#include "bench/bare_query.h"

#include <windows.h>
#include <oleauto.h>

#include "winapi/com.h"

namespace orvanel::bench {
namespace {

using winapi::com_ptr;
using winapi::unique_variant;

constexpr IID kNoInterface{};
constexpr LCID kLocale = LOCALE_USER_DEFAULT;

DISPID id_of(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  auto* names = const_cast<LPOLESTR>(name);
  object->GetIDsOfNames(kNoInterface, &names, 1, kLocale, &id);
  return id;
}

}  // namespace

// The calls the window makes for one state query, and no more, each object
// held by its owner.
std::wstring bare_state() {
  com_ptr<IDispatch> services;
  if (FAILED(CoGetObject(L"winmgmts:\\\\.\\root\\cimv2", nullptr, __uuidof(IDispatch),
                         services.put_void()))) {
    return {};
  }
  unique_variant query;
  query.get()->vt = VT_BSTR;
  query.get()->bstrVal = SysAllocString(L"Select * from Win32_Service where Name = 'wuauserv'");
  DISPPARAMS one{query.get(), nullptr, 1, 0};
  unique_variant collection;
  if (FAILED(services->Invoke(id_of(services.get(), L"ExecQuery"), kNoInterface, kLocale,
                              DISPATCH_METHOD, &one, collection.put(), nullptr, nullptr)) ||
      collection.get()->vt != VT_DISPATCH) {
    return {};
  }

  DISPPARAMS none{};
  unique_variant enumerator;
  collection.get()->pdispVal->Invoke(DISPID_NEWENUM, kNoInterface, kLocale,
                                     DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none,
                                     enumerator.put(), nullptr, nullptr);
  com_ptr<IEnumVARIANT> items;
  if (enumerator.get()->vt != VT_UNKNOWN && enumerator.get()->vt != VT_DISPATCH) return {};
  if (FAILED(winapi::query(enumerator.get()->punkVal, items))) return {};

  std::wstring state;
  unique_variant item;
  ULONG fetched = 0;
  while (items->Next(1, item.put(), &fetched) == S_OK && fetched == 1) {
    if (item.get()->vt != VT_DISPATCH) continue;
    IDispatch* service = item.get()->pdispVal;
    unique_variant value;
    service->Invoke(id_of(service, L"State"), kNoInterface, kLocale,
                    DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, value.put(), nullptr, nullptr);
    if (SUCCEEDED(VariantChangeType(value.get(), value.get(), 0, VT_BSTR))) {
      state.assign(value.get()->bstrVal, SysStringLen(value.get()->bstrVal));
    }
  }
  return state;
}

}  // namespace orvanel::bench
