// The IUnknown half of our callback and stream objects. Their lifetime is
// the scope of one Decompress call (they are members or locals declared
// before the 7-Zip object that uses them, which is released first), so the
// reference count never deletes: a final Release only lets a stream close
// its file early.
#pragma once
#include <atomic>

#include "client7z/seven_zip.h"

namespace client7z {

template <class Interface>
class ComObject : public Interface {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || Accepts(iid)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (left == 0) OnLastRelease();
    return left;
  }

 protected:
  ~ComObject() = default;
  // The interface ids this object answers to besides IUnknown (Interface
  // and its bases).
  virtual bool Accepts(REFIID iid) const = 0;
  virtual void OnLastRelease() {}

 private:
  std::atomic<ULONG> refs_{0};
};

}  // namespace client7z
