#include "ui/kit/accessible_object_win.h"

#include "ui/kit/screen_scale_win.h"

#include <oleacc.h>

#include <atomic>
#include <utility>

namespace {

// IAccessible has no virtual destructor, and needs none: the object deletes itself in Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The client object: IAccessible over the window and its drawn elements. Child ids 1 ... n are
// the elements (simple elements, no objects of their own); CHILDID_SELF is the window's client.
// What is not about the elements comes from the system's standard object where it gives it.
class accessible_object_c final : public IAccessible {
public:
    accessible_object_c(HWND window, long role, std::vector<accessible_element_c> elements, IAccessible* standard)
        : window_(window), role_(role), elements_(std::move(elements)), standard_(standard) {}
    ~accessible_object_c() {
        if (standard_) standard_->Release();
    }
    accessible_object_c(const accessible_object_c&) = delete;
    accessible_object_c& operator=(const accessible_object_c&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: not offered (readers use the vtable).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (standard_) return standard_->get_accParent(parent);
        return AccessibleObjectFromWindow(window_, DWORD(OBJID_WINDOW), IID_IDispatch, reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = long(elements_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        return element(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (is_self(child)) {
            if (standard_ && standard_->get_accName(child, name) == S_OK && *name) return S_OK;
            wchar_t text[1024] = L"";
            int length = GetWindowTextW(window_, text, 1024);
            return give_text(std::wstring(text, std::size_t(length > 0 ? length : 0)), name);
        }
        const accessible_element_c* found = element(child);
        return found ? give_text(found->name, name) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override { return no_text(child, value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override { return no_text(child, text); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        VariantInit(role);
        const accessible_element_c* found = element(child);
        if (!found && !is_self(child)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = found ? found->role : role_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        VariantInit(state);
        if (is_self(child)) {
            if (standard_ && standard_->get_accState(child, state) == S_OK) return S_OK;
            VariantInit(state);
            state->vt = VT_I4;
            state->lVal = (IsWindowVisible(window_) ? 0 : STATE_SYSTEM_INVISIBLE) | STATE_SYSTEM_FOCUSABLE |
                          (GetFocus() == window_ ? STATE_SYSTEM_FOCUSED : 0);
            return S_OK;
        }
        const accessible_element_c* found = element(child);
        if (!found) return E_INVALIDARG;
        state->vt = VT_I4;
        state->lVal = found->state | (IsWindowVisible(window_) ? 0 : STATE_SYSTEM_INVISIBLE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override { return no_text(child, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        if (!text) return E_POINTER;
        *text = nullptr;
        if (is_self(child)) return standard_ ? standard_->get_accKeyboardShortcut(child, text) : S_FALSE;
        const accessible_element_c* found = element(child);
        if (!found) return E_INVALIDARG;
        return found->shortcut.empty() ? S_FALSE : give_text(found->shortcut, text);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        if (GetFocus() != window_) return S_FALSE;
        focus->vt = VT_I4;
        focus->lVal = CHILDID_SELF;
        for (std::size_t i = 0; i < elements_.size(); ++i)
            if (elements_[i].state & STATE_SYSTEM_FOCUSED) focus->lVal = long(i + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        for (std::size_t i = 0; i < elements_.size(); ++i)
            if (elements_[i].state & STATE_SYSTEM_SELECTED) {
                selection->vt = VT_I4;
                selection->lVal = long(i + 1);
                return S_OK;
            }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override { return no_text(child, text); }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT child) override {
        return element(child) || is_self(child) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        RECT area{};
        if (is_self(child)) {
            GetClientRect(window_, &area);
        } else if (const accessible_element_c* found = element(child)) {
            area = to_screen(found->rect, window_dpi(window_));  // elements are in design units
        } else {
            return E_INVALIDARG;
        }
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&area), 2);
        *left = area.left;
        *top = area.top;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInit(end);
        long count = long(elements_.size()), to = 0;
        if (is_self(start)) {
            if (direction == NAVDIR_FIRSTCHILD) to = count ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD) to = count;
            else return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
        } else if (element(start)) {
            long at = start.lVal;
            if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) to = at + 1;
            else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) to = at - 1;
            if (to > count) to = 0;
        } else {
            return E_INVALIDARG;
        }
        if (to <= 0) return S_FALSE;
        end->vt = VT_I4;
        end->lVal = to;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (!child) return E_POINTER;
        VariantInit(child);
        POINT at = {x, y};
        ScreenToClient(window_, &at);
        const unsigned dpi = window_dpi(window_);
        at = {to_design(at.x, dpi), to_design(at.y, dpi)};
        const RECT client = design_client_rect(window_);
        for (std::size_t i = 0; i < elements_.size(); ++i)
            if (PtInRect(&elements_[i].rect, at)) {
                child->vt = VT_I4;
                child->lVal = long(i + 1);
                return S_OK;
            }
        if (!PtInRect(&client, at)) return S_FALSE;
        child->vt = VT_I4;
        child->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const accessible_element_c* found = element(child);
        if (!found) return is_self(child) ? DISP_E_MEMBERNOTFOUND : E_INVALIDARG;
        if (!found->action_message) return DISP_E_MEMBERNOTFOUND;
        HWND target = found->action_window ? found->action_window : window_;
        return IsWindow(target) && PostMessageW(target, found->action_message, found->action_wparam, 0) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static bool is_self(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    const accessible_element_c* element(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal < 1 || std::size_t(child.lVal) > elements_.size()) return nullptr;
        return &elements_[std::size_t(child.lVal) - 1];
    }
    static HRESULT give_text(const std::wstring& text, BSTR* out) {
        if (text.empty()) return S_FALSE;
        *out = SysAllocStringLen(text.data(), UINT(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT no_text(const VARIANT& child, BSTR* out) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        return is_self(child) || element(child) ? S_FALSE : E_INVALIDARG;
    }

    std::atomic<ULONG> references_{1};
    HWND window_;
    long role_;
    std::vector<accessible_element_c> elements_;
    IAccessible* standard_;
};
#pragma GCC diagnostic pop

}  // namespace

LRESULT answer_accessible_object(HWND window, WPARAM wparam, LPARAM lparam, long role,
                                 std::vector<accessible_element_c> elements) {
    if (LONG(DWORD(lparam)) != LONG(OBJID_CLIENT)) return 0;
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(window, LONG(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&standard))))
        standard = nullptr;
    auto* object = new accessible_object_c(window, role, std::move(elements), standard);
    LRESULT result = LresultFromObject(IID_IAccessible, wparam, object);
    object->Release();
    // A failure (a negative HRESULT) leaves the system's default object.
    return result > 0 ? result : 0;
}

LRESULT answer_accessible_role(HWND window, WPARAM wparam, LPARAM lparam, long role) {
    if (LONG(DWORD(lparam)) != LONG(OBJID_CLIENT)) return 0;
    IAccessible* standard = nullptr;
    if (SUCCEEDED(CreateStdAccessibleObject(window, LONG(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&standard))) &&
        standard) {
        VARIANT self, given;
        VariantInit(&self);
        VariantInit(&given);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        bool known = SUCCEEDED(standard->get_accRole(self, &given)) && given.vt == VT_I4 && given.lVal == role;
        VariantClear(&given);
        standard->Release();
        if (known) return 0;
    }
    return answer_accessible_object(window, wparam, lparam, role);
}
