// The password of one call, and the small objects that hand it to 7z.dll
// when a handler asks for it. The text never leaves this call: it is not
// part of the argument list, is written nowhere, and is wiped when done.
#pragma once
#include <optional>
#include <string>

#include "client7z/com_object.h"

namespace client7z {

// Overwrites a secret's characters with zeros (through a volatile pointer,
// so the stores are not dropped as dead).
void Wipe(std::wstring& text);

// The call's password, if one was given; wiped on destruction.
class Password {
 public:
  explicit Password(const wchar_t* text);
  ~Password();
  Password(const Password&) = delete;
  Password& operator=(const Password&) = delete;

  bool given() const { return text_.has_value(); }
  // A copy for 7z.dll, which frees (and wipes) it; E_ABORT when none was given.
  HRESULT Give(BSTR* out) const;

 private:
  std::optional<std::wstring> text_;
};

// What an encrypted archive answers to "x" and "l": the handler asked for a
// password and the archive could not be read with the one given (or none).
int PasswordFailure(const Password& password);

// Answers a reading handler (open or extract) that asks for the password,
// and remembers that it asked.
class PasswordAnswer final : public ComObject<ICryptoGetTextPassword> {
 public:
  explicit PasswordAnswer(const Password& password) : password_(password) {}
  STDMETHODIMP CryptoGetTextPassword(BSTR* password) noexcept override;
  bool asked() const { return asked_; }
  // The result when the archive could not be read after the handler asked.
  int failure() const { return PasswordFailure(password_); }
  // Hands this object out for IID_ICryptoGetTextPassword.
  bool Answers(REFIID iid, void** out);

 private:
  bool Accepts(REFIID iid) const override { return iid == IID_ICryptoGetTextPassword; }
  const Password& password_;
  bool asked_ = false;
};

// Answers the packing handler: with a password the archive is encrypted.
class PasswordForPacking final : public ComObject<ICryptoGetTextPassword2> {
 public:
  explicit PasswordForPacking(const Password& password) : password_(password) {}
  STDMETHODIMP CryptoGetTextPassword2(Int32* passwordIsDefined, BSTR* password) noexcept override;
  bool Answers(REFIID iid, void** out);

 private:
  bool Accepts(REFIID iid) const override { return iid == IID_ICryptoGetTextPassword2; }
  const Password& password_;
};

}  // namespace client7z
