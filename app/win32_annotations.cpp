#include <utility>

#include "app/win32_annotations.h"
#include "version.h"
#include "winapi/newer_sdk.h"

namespace orvanel::win32 {
namespace {

constexpr wchar_t kPictureName[] = L"Orvanel emblem: a flag waving in front of a globe";
constexpr wchar_t kNoticeName[] = L"Copyright \u00A9 " ORVANEL_YEAR;

}  // namespace

HRESULT system_annotation_services(IAccPropServices** services) noexcept {
  return CoCreateInstance(winapi::kAccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                          winapi::kIAccPropServices, reinterpret_cast<void**>(services));
}

void Annotations::annotate(AnnotationServices make, const ControlSet& controls) noexcept {
  clear();
  winapi::com_ptr<IAccPropServices> services;
  if (FAILED(make(services.put()))) return;
  VARIANT polite;
  VariantInit(&polite);
  polite.vt = VT_I4;
  polite.lVal = winapi::kPolite;
  services->SetHwndProp(controls[Label1], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                        winapi::kLiveSetting, polite);
  services->SetHwndPropStr(controls[Image1], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                           winapi::kAccName, kPictureName);
  services->SetHwndPropStr(controls[Label2(0)], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                           winapi::kAccName, kNoticeName);
  services_ = std::move(services);
  controls_ = &controls;
}

void Annotations::announce(HWND status) noexcept {
  NotifyWinEvent(winapi::kLiveRegionChanged, status, OBJID_CLIENT, CHILDID_SELF);
}

void Annotations::clear() noexcept {
  if (!services_) return;
  services_->ClearHwndProps((*controls_)[Label1], static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                            &winapi::kLiveSetting, 1);
  for (HWND named : {(*controls_)[Image1], (*controls_)[Label2(0)]}) {
    services_->ClearHwndProps(named, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                              &winapi::kAccName, 1);
  }
  services_.reset();
}

}  // namespace orvanel::win32
