// IDialogBuilderCallback: how a window creates the elements the framework's table does not know.
#pragma once

namespace SkinUI {

class CControlUI;

class IDialogBuilderCallback {
 public:
  // A new control (the caller takes ownership), or null for a name the window does not create.
  virtual CControlUI* CreateCustomControl(const wchar_t* name) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

}  // namespace SkinUI
