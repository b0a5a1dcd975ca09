// The browser view: the system's web browser control (IWebBrowser2) in a small OLE container of
// our own, showing one local page and the pictures of its image folder, and nothing else.
//
// The shown table comes from the network, so the view must not act on what the table names:
// - The ambient download control (DISPID_AMBIENT_DLCONTROL) switches off page scripts, Java and
//   ActiveX, frames' downloads, behaviours and meta refresh, and keeps the control offline, so
//   nothing is fetched from the network; local files (the page and its pictures) still load.
// - BeforeNavigate2 cancels every navigation but the one this view started itself: links,
//   forms, frames and new windows.
// - The document mode is chosen for the executable (FEATURE_BROWSER_EMULATION = 11001: IE 11
//   edge mode whatever the page declares), the closest the control comes to the engine that
//   draws the page on Linux.
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/gbk_bytes.h"
#include "platform/win32/ui_internal.h"

namespace {

constexpr char hostClass[] = "LanchuanBrowserHost";
constexpr DWORD documentMode = 11001;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = wchar_t(towlower(c));
    }
    return text;
}

}  // namespace

// The site the control lives in: client site, in-place site and frame, and the IDispatch that
// answers ambient properties and receives the control's events (their dispatch identifiers do
// not overlap).
struct BrowserHost final : public IOleClientSite,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IDispatch {
    LONG references = 1;
    HWND host = nullptr;
    IOleObject* object = nullptr;
    IWebBrowser2* browser = nullptr;
    IConnectionPoint* events = nullptr;
    DWORD cookie = 0;
    std::wstring pagePath;  // the page last asked for, as a path and as a file address
    std::wstring pageAddress;
    int ownLoads = 0;  // loads started here whose navigation is not yet decided
    int loadsFinished = 0;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            delete this;
        }
        return ULONG(left);
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = host;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(host, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = GetParent(host);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT position) override {
        FitTo(position);
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no toolbars, menus or status line.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: ambient properties and DWebBrowserEvents2.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result,
                        EXCEPINFO*, UINT*) override {
        switch (member) {
            case DISPID_AMBIENT_DLCONTROL:
                if (result != nullptr) {
                    VariantInit(result);
                    result->vt = VT_I4;
                    result->lVal = DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                                   DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_FRAMEDOWNLOAD |
                                   DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL | DLCTL_FORCEOFFLINE |
                                   DLCTL_DLIMAGES;
                }
                return S_OK;
            case DISPID_BEFORENAVIGATE2:
                // Arguments come last first: pDisp, URL, Flags, TargetFrameName, PostData,
                // Headers, Cancel.
                if (parameters != nullptr && parameters->cArgs == 7) {
                    BeforeNavigate(parameters->rgvarg[5], parameters->rgvarg[0]);
                }
                return S_OK;
            case DISPID_NEWWINDOW2:
                // ppDisp, Cancel: no new windows.
                if (parameters != nullptr && parameters->cArgs == 2 &&
                    parameters->rgvarg[0].vt == (VT_BOOL | VT_BYREF)) {
                    *parameters->rgvarg[0].pboolVal = VARIANT_TRUE;
                }
                return S_OK;
            // A load has finished when the page's document is complete or its navigation failed
            // (as WebKit's load-finished comes after a failure too).
            case DISPID_DOCUMENTCOMPLETE:
                if (parameters != nullptr && parameters->cArgs == 2 &&
                    IsTopLevel(parameters->rgvarg[1])) {
                    loadsFinished++;
                }
                return S_OK;
            case DISPID_NAVIGATEERROR:
                if (parameters != nullptr && parameters->cArgs == 5 &&
                    IsTopLevel(parameters->rgvarg[4])) {
                    loadsFinished++;
                }
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

    bool IsTopLevel(const VARIANT& sender) const {
        if (sender.vt != VT_DISPATCH || sender.pdispVal == nullptr || browser == nullptr) {
            return false;
        }
        IUnknown* fromEvent = nullptr;
        IUnknown* ours = nullptr;
        sender.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromEvent));
        browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ours));
        bool same = fromEvent != nullptr && fromEvent == ours;
        if (fromEvent != nullptr) {
            fromEvent->Release();
        }
        if (ours != nullptr) {
            ours->Release();
        }
        return same;
    }

    void BeforeNavigate(const VARIANT& url, const VARIANT& cancel) {
        if (cancel.vt != (VT_BOOL | VT_BYREF)) {
            return;
        }
        const VARIANT* address = &url;
        if (address->vt == (VT_VARIANT | VT_BYREF)) {
            address = address->pvarVal;
        }
        std::wstring target;
        if (address != nullptr && address->vt == VT_BSTR && address->bstrVal != nullptr) {
            target = Lower(address->bstrVal);
        }
        // The control reports the path it was given, or the file address made of it.
        bool own = ownLoads > 0 && !target.empty() &&
                   (target == Lower(pagePath) || target == Lower(pageAddress));
        if (own) {
            ownLoads--;
        }
        *cancel.pboolVal = own ? VARIANT_FALSE : VARIANT_TRUE;
    }

    void FitTo(LPCRECT position) {
        IOleInPlaceObject* inPlace = nullptr;
        if (object != nullptr && SUCCEEDED(object->QueryInterface(
                                     IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->SetObjectRects(position, position);
            inPlace->Release();
        }
    }
};

namespace {

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* site = reinterpret_cast<BrowserHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_SIZE && site != nullptr) {
        RECT area;
        GetClientRect(window, &area);
        site->FitTo(&area);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Embed(BrowserHost* site) {
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&site->object)))) {
        return false;
    }
    // The site (and its ambient download control) is set before the control does anything.
    site->object->SetClientSite(static_cast<IOleClientSite*>(site));
    OleSetContainedObject(site->object, TRUE);
    RECT area;
    GetClientRect(site->host, &area);
    site->object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site), 0,
                         site->host, &area);
    if (FAILED(site->object->QueryInterface(IID_IWebBrowser2,
                                            reinterpret_cast<void**>(&site->browser)))) {
        return false;
    }
    site->browser->put_Silent(VARIANT_TRUE);  // no script error or security dialogs
    site->browser->put_RegisterAsDropTarget(VARIANT_FALSE);
    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(site->object->QueryInterface(IID_IConnectionPointContainer,
                                               reinterpret_cast<void**>(&points)))) {
        if (SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &site->events))) {
            site->events->Advise(static_cast<IDispatch*>(site), &site->cookie);
        }
        points->Release();
    }
    return site->events != nullptr && site->cookie != 0;
}

// "D:\x\页面.htm" as the file address the control makes of it.
std::wstring FileAddress(const std::wstring& path) {
    std::wstring address = L"file:///" + path;
    for (wchar_t& c : address) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    return address;
}

}  // namespace

void ChooseBrowserDocumentMode() {
    char module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const char* name = module;
    for (const char* at = module; *at != '\0'; ++at) {
        if (*at == '\\' || *at == '/') {
            name = at + 1;
        }
    }
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\"
                        "FEATURE_BROWSER_EMULATION",
                        0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&documentMode),
                   sizeof documentMode);
    RegCloseKey(key);
}

HWND CreateBrowser(ControlRecord* control, HWND parent) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = HostProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = hostClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    const ControlLayout& layout = control->layout;
    DWORD style = WS_CHILD | WS_CLIPCHILDREN | (layout.tabStop ? WS_TABSTOP : 0);
    HWND window = CreateWindowExA(0, hostClass, ShownText(layout.accessibleName).c_str(), style,
                                  layout.left, layout.top, layout.width, layout.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->id)),
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    auto* site = new BrowserHost();
    site->host = window;
    control->browser = site;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site));
    if (!Embed(site)) {
        std::fprintf(stderr, "browser view: the web browser control could not be hosted\n");
    }
    return window;
}

void DestroyBrowser(ControlRecord* control) {
    BrowserHost* site = control->browser;
    control->browser = nullptr;
    if (site == nullptr) {
        return;
    }
    SetWindowLongPtrA(site->host, GWLP_USERDATA, 0);
    if (site->events != nullptr) {
        site->events->Unadvise(site->cookie);
        site->events->Release();
    }
    if (site->browser != nullptr) {
        site->browser->Stop();
        site->browser->Release();
    }
    if (site->object != nullptr) {
        site->object->Close(OLECLOSE_NOSAVE);
        site->object->SetClientSite(nullptr);
        site->object->Release();
    }
    site->Release();
}

void BrowserShowLocalPage(const Text& controlName, const Text& path) {
    RunOnUiThread([&] {
        ControlRecord* control = FindControl(controlName, ControlKind::BrowserView);
        std::wstring widePath;
        if (control == nullptr || control->browser == nullptr ||
            control->browser->browser == nullptr || !GbkToWide(path, &widePath) ||
            widePath.empty()) {
            return;
        }
        BrowserHost* site = control->browser;
        site->pagePath = widePath;
        site->pageAddress = FileAddress(widePath);
        site->ownLoads++;
        VARIANT address;
        VariantInit(&address);
        address.vt = VT_BSTR;
        address.bstrVal = SysAllocString(widePath.c_str());
        // Read anew from the file every time, also when it is the page shown already.
        VARIANT flags;
        VariantInit(&flags);
        flags.vt = VT_I4;
        flags.lVal = navNoHistory | navNoReadFromCache | navNoWriteToCache;
        VARIANT empty;
        VariantInit(&empty);
        if (FAILED(site->browser->Navigate2(&address, &flags, &empty, &empty, &empty))) {
            site->ownLoads--;
        }
        VariantClear(&address);
    });
}

int BrowserLoadsOf(ControlRecord* control) {
    return control->browser != nullptr ? control->browser->loadsFinished : 0;
}

// The control's address as UTF-8.
std::string BrowserAddressOf(ControlRecord* control) {
    BrowserHost* site = control->browser;
    BSTR location = nullptr;
    if (site == nullptr || site->browser == nullptr ||
        FAILED(site->browser->get_LocationURL(&location)) || location == nullptr) {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_UTF8, 0, location, -1, nullptr, 0, nullptr, nullptr);
    std::string address(std::size_t(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, location, -1, address.data(), length, nullptr, nullptr);
    address.resize(std::strlen(address.c_str()));
    SysFreeString(location);
    return address;
}
