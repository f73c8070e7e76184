#include <utility>

#include "app/win32_annotations.h"

namespace orvanel::win32 {
namespace {

constexpr wchar_t kPictureName[] = L"Orvanel emblem: a flag waving in front of a globe";
constexpr wchar_t kNoticeName[] = L"Copyright \u00A9 2026";

// The property service, without the GUID library.
constexpr GUID kAccPropServices{
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices{
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr LONG kPolite = 1;

}  // namespace

HRESULT system_annotation_services(IAccPropServices** services) noexcept {
  return CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                          reinterpret_cast<void**>(services));
}

void Annotations::annotate(AnnotationServices make, HWND status, HWND picture,
                           HWND notice) noexcept {
  clear();
  winapi::com_ptr<IAccPropServices> services;
  if (FAILED(make(services.put()))) return;
  VARIANT polite;
  VariantInit(&polite);
  polite.vt = VT_I4;
  polite.lVal = kPolite;
  services->SetHwndProp(status, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSetting,
                        polite);
  services->SetHwndPropStr(picture, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kAccName,
                           kPictureName);
  services->SetHwndPropStr(notice, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kAccName,
                           kNoticeName);
  services_ = std::move(services);
  status_ = status;
  picture_ = picture;
  notice_ = notice;
}

void Annotations::announce(HWND status) noexcept {
  NotifyWinEvent(kLiveRegionChanged, status, OBJID_CLIENT, CHILDID_SELF);
}

void Annotations::clear() noexcept {
  if (!services_) return;
  services_->ClearHwndProps(status_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kLiveSetting,
                            1);
  for (HWND named : {picture_, notice_}) {
    services_->ClearHwndProps(named, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kAccName, 1);
  }
  services_.reset();
}

}  // namespace orvanel::win32
