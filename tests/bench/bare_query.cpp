#include "bench/bare_query.h"

#include <windows.h>
#include <oleauto.h>

namespace orvanel::bench {
namespace {

constexpr IID kNoInterface{};
constexpr LCID kLocale = LOCALE_USER_DEFAULT;

DISPID id_of(IDispatch* object, const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  auto* names = const_cast<LPOLESTR>(name);
  object->GetIDsOfNames(kNoInterface, &names, 1, kLocale, &id);
  return id;
}

}  // namespace

std::wstring bare_state() {
  IDispatch* services = nullptr;
  if (FAILED(CoGetObject(L"winmgmts:\\\\.\\root\\cimv2", nullptr, __uuidof(IDispatch),
                         reinterpret_cast<void**>(&services)))) {
    return {};
  }
  VARIANT query;
  query.vt = VT_BSTR;
  query.bstrVal = SysAllocString(L"Select * from Win32_Service where Name = 'wuauserv'");
  DISPPARAMS one{&query, nullptr, 1, 0};
  VARIANT collection;
  VariantInit(&collection);
  const HRESULT queried = services->Invoke(id_of(services, L"ExecQuery"), kNoInterface, kLocale,
                                           DISPATCH_METHOD, &one, &collection, nullptr, nullptr);
  VariantClear(&query);
  services->Release();
  if (FAILED(queried) || collection.vt != VT_DISPATCH) {
    VariantClear(&collection);
    return {};
  }

  DISPPARAMS none{};
  VARIANT enumerator;
  VariantInit(&enumerator);
  collection.pdispVal->Invoke(DISPID_NEWENUM, kNoInterface, kLocale,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &enumerator, nullptr,
                              nullptr);
  IEnumVARIANT* items = nullptr;
  if (enumerator.vt == VT_UNKNOWN || enumerator.vt == VT_DISPATCH) {
    enumerator.punkVal->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&items));
  }
  VariantClear(&enumerator);
  VariantClear(&collection);
  if (items == nullptr) return {};

  std::wstring state;
  VARIANT item;
  VariantInit(&item);
  ULONG fetched = 0;
  while (items->Next(1, &item, &fetched) == S_OK && fetched == 1) {
    if (item.vt == VT_DISPATCH) {
      VARIANT value;
      VariantInit(&value);
      item.pdispVal->Invoke(id_of(item.pdispVal, L"State"), kNoInterface, kLocale,
                            DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none, &value, nullptr,
                            nullptr);
      if (SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR)))
        state.assign(value.bstrVal, SysStringLen(value.bstrVal));
      VariantClear(&value);
    }
    VariantClear(&item);
  }
  items->Release();
  return state;
}

}  // namespace orvanel::bench
