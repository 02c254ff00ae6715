#include "client7z/password.h"

#include "client7z/client7z.h"

namespace client7z {
namespace {

// Hands `object` out as `Interface` when `iid` names it.
template <class Interface>
bool HandOut(ComObject<Interface>& object, REFIID iid, void** out, REFIID wanted) {
  if (!out || iid != wanted) return false;
  *out = static_cast<Interface*>(&object);
  object.AddRef();
  return true;
}

}  // namespace

void Wipe(std::wstring& text) {
  volatile wchar_t* p = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
}

Password::Password(const wchar_t* text) {
  if (text) text_.emplace(text);
}

Password::~Password() {
  if (text_) Wipe(*text_);
}

HRESULT Password::Give(BSTR* out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  // No password: the handler stops, and the call says one is needed.
  if (!text_) return E_ABORT;
  *out = SysAllocStringLen(text_->data(), static_cast<UINT>(text_->size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

int PasswordFailure(const Password& password) {
  return password.given() ? kClient7zWrongPassword : kClient7zPasswordNeeded;
}

STDMETHODIMP PasswordAnswer::CryptoGetTextPassword(BSTR* password) noexcept {
  asked_ = true;
  return password_.Give(password);
}

bool PasswordAnswer::Answers(REFIID iid, void** out) {
  return HandOut(*this, iid, out, IID_ICryptoGetTextPassword);
}

STDMETHODIMP PasswordForPacking::CryptoGetTextPassword2(Int32* passwordIsDefined,
                                                        BSTR* password) noexcept {
  if (!passwordIsDefined || !password) return E_POINTER;
  *password = nullptr;
  *passwordIsDefined = password_.given() ? 1 : 0;
  return password_.given() ? password_.Give(password) : S_OK;
}

bool PasswordForPacking::Answers(REFIID iid, void** out) {
  return HandOut(*this, iid, out, IID_ICryptoGetTextPassword2);
}

}  // namespace client7z
