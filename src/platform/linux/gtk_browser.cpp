// The browser view: a WebKitWebView that shows one local page and the pictures of its image
// folder, and nothing else.
//
// The shown table comes from the network, so the view must not reach anything the table names.
// Two means, both outside the page's reach:
// - A content rule list (compiled once per page address) blocks every load but the page itself
//   and plain names in the image folder beside it. WebKit checks it in the web process before
//   any request is made, for every kind of resource (pictures, CSS url(), frames, objects,
//   media, fonts) and every scheme (http, https, file, data). Markup cannot switch it off or
//   add rules; only this process's API can. A file name is allowed only of letters, digits,
//   "-", "_" and "." not first, so neither "..", a percent-escaped slash nor a query can lead
//   it out of the folder.
// - decide-policy refuses every navigation that this view did not start itself: links, meta
//   refresh, forms, frames, new windows. It runs in this process for each of them.
// - A default Content-Security-Policy refuses data: loads, which rule lists do not see. CSP
//   alone could not name the image folder (file: sources carry no path).
// A web-process extension would be a second binary to find at run time. Page scripts stay off as
// well, and the context menu keeps only its copy entries (its "open" and "download" entries would
// load).
#include <functional>
#include <map>
#include <string>

#include "platform/files.h"
#include "platform/linux/ui_internal.h"

namespace {

// Rule lists do not look at data: addresses, which need no request; this policy, applied as if
// the page's server had sent it, refuses them along with every frame, plugin and form. Policies
// only add up, so one in the page can narrow it but never widen it.
constexpr const char* kPagePolicy =
    "default-src file:; style-src file: 'unsafe-inline'; script-src 'none'; object-src 'none'; "
    "frame-src 'none'; child-src 'none'; form-action 'none'; base-uri 'none'";

// What the view may show, per control (UI thread only).
struct ViewGuard {
    std::string pageUri;    // the page last asked for
    std::string filterFor;  // the page the installed rule list allows
    std::string compilingFor;
    int ownLoads = 0;  // loads started here whose navigation is not yet decided
    std::vector<std::string> loadedResources;
};

ViewGuard& GuardOf(ControlRecord* control) {
    static auto* guards = new std::map<ControlRecord*, ViewGuard>;  // records are never freed
    return (*guards)[control];
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event == WEBKIT_LOAD_FINISHED) {
        static_cast<ControlRecord*>(data)->loadsFinished++;
    }
}

void StartOwnLoad(ControlRecord* control, const std::string& uri) {
    ViewGuard& guard = GuardOf(control);
    guard.ownLoads++;
    guard.loadedResources.clear();
    // load_uri goes to the file again even when it is the page shown already.
    webkit_web_view_load_uri(control->view, uri.c_str());
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                        WebKitPolicyDecisionType type, gpointer data) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;  // what a load allowed here receives is shown as WebKit would
    }
    ViewGuard& guard = GuardOf(static_cast<ControlRecord*>(data));
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        if (guard.ownLoads > 0 && uri != nullptr && guard.pageUri == uri) {
            guard.ownLoads--;
            webkit_policy_decision_use(decision);
            return TRUE;
        }
    }
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                       gpointer) {
    GList* items = g_list_copy(webkit_context_menu_get_items(menu));
    for (GList* item = items; item != nullptr; item = item->next) {
        auto* entry = static_cast<WebKitContextMenuItem*>(item->data);
        switch (webkit_context_menu_item_get_stock_action(entry)) {
            case WEBKIT_CONTEXT_MENU_ACTION_COPY:
            case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
            case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD:
            case WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD:
                break;
            default:
                webkit_context_menu_remove(menu, entry);
        }
    }
    g_list_free(items);
    return webkit_context_menu_get_n_items(menu) == 0;  // TRUE: no menu at all
}

void OnResourceFailed(WebKitWebResource* resource, GError*, gpointer) {
    g_object_set_data(G_OBJECT(resource), "lanchuan-failed", GINT_TO_POINTER(1));
}

void OnResourceFinished(WebKitWebResource* resource, gpointer data) {
    if (g_object_get_data(G_OBJECT(resource), "lanchuan-failed") == nullptr) {
        const gchar* uri = webkit_web_resource_get_uri(resource);
        GuardOf(static_cast<ControlRecord*>(data)).loadedResources.push_back(uri ? uri : "");
    }
}

void OnResourceLoadStarted(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                           gpointer data) {
    g_signal_connect(resource, "failed", G_CALLBACK(OnResourceFailed), nullptr);
    g_signal_connect(resource, "finished", G_CALLBACK(OnResourceFinished), data);
}

// A literal for the rule list's regular expressions, as a JSON string's content.
std::string RegexLiteral(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::string_view(".*+?^$()[]{}|\\").find(c) != std::string_view::npos) {
            out += "\\\\";
        }
        out += c;
    }
    return out;
}

// Blocks everything, then lets the page and the plain names of its image folder through.
std::string RulesFor(const std::string& pageUri) {
    const std::string folder = pageUri.substr(0, pageUri.rfind('/') + 1);
    auto allow = [](const std::string& pattern) {
        return "{\"trigger\":{\"url-filter\":\"" + pattern +
               "\",\"url-filter-is-case-sensitive\":true},"
               "\"action\":{\"type\":\"ignore-previous-rules\"}}";
    };
    return "[{\"trigger\":{\"url-filter\":\".*\"},\"action\":{\"type\":\"block\"}}," +
           allow("^" + RegexLiteral(folder + "image/") + "[A-Za-z0-9_-][A-Za-z0-9._-]*$") + "," +
           allow("^" + RegexLiteral(pageUri) + "$") + "]";
}

struct Compiling {
    ControlRecord* control;
    WebKitWebView* view;  // a reference held until the rule list is in
    std::string pageUri;
};

void OnRulesCompiled(GObject* store, GAsyncResult* result, gpointer data) {
    auto* compiling = static_cast<Compiling*>(data);
    GError* error = nullptr;
    WebKitUserContentFilter* filter = webkit_user_content_filter_store_save_finish(
        WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    ControlRecord* control = compiling->control;
    ViewGuard& guard = GuardOf(control);
    if (guard.compilingFor == compiling->pageUri) {
        guard.compilingFor.clear();
    }
    if (filter == nullptr) {
        // Without its rules the view shows nothing rather than an unguarded page.
        g_printerr("browser view: rule list not compiled: %s\n", error ? error->message : "?");
        g_clear_error(&error);
    } else if (control->view == compiling->view && control->native->alive) {
        WebKitUserContentManager* manager = webkit_web_view_get_user_content_manager(control->view);
        webkit_user_content_manager_remove_all_filters(manager);
        webkit_user_content_manager_add_filter(manager, filter);
        guard.filterFor = compiling->pageUri;
        if (guard.pageUri == guard.filterFor) {
            StartOwnLoad(control, guard.pageUri);
        }
    }
    if (filter != nullptr) {
        webkit_user_content_filter_unref(filter);
    }
    g_object_unref(compiling->view);
    delete compiling;
}

// Compiling takes a few tens of milliseconds off the UI thread; the page waits for it.
void CompileRules(ControlRecord* control, const std::string& pageUri) {
    static WebKitUserContentFilterStore* store = [] {
        gchar* path =
            g_build_filename(g_get_user_cache_dir(), "lanchuan-weather", "view-rules", nullptr);
        WebKitUserContentFilterStore* made = webkit_user_content_filter_store_new(path);
        g_free(path);
        return made;
    }();
    const std::string rules = RulesFor(pageUri);
    // Named by its content, so that two instances of the program write the same bytes.
    const std::string identifier = "page-" + std::to_string(std::hash<std::string>{}(rules));
    GBytes* source = g_bytes_new(rules.data(), rules.size());
    GuardOf(control).compilingFor = pageUri;
    auto* compiling = new Compiling{control, WEBKIT_WEB_VIEW(g_object_ref(control->view)), pageUri};
    webkit_user_content_filter_store_save(store, identifier.c_str(), source, nullptr,
                                          OnRulesCompiled, compiling);
    g_bytes_unref(source);
}

// The WebKit view costs more to make than the whole rest of the window, so the control's own
// window is a plain box and the view inside it is made once the window has been drawn.
void MakeView(ControlRecord* control) {
    if (control->view != nullptr || control->outer == nullptr || !control->native->alive) {
        return;
    }
    // With the default cache model a picture rewritten under the same name stays stale.
    webkit_web_context_set_cache_model(webkit_web_context_get_default(),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    WebKitSettings* settings = webkit_settings_new();
    // The shown table comes from the network; it must never run script in a local page.
    webkit_settings_set_enable_javascript(settings, FALSE);
    webkit_settings_set_enable_javascript_markup(settings, FALSE);
    // Media would only wait for loads that are blocked.
    webkit_settings_set_enable_media(settings, FALSE);
    webkit_settings_set_default_charset(settings, "GBK");
    // A page of one table needs no GPU; without one (as under Xvfb) accelerated drawing stays
    // blank.
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    GtkWidget* view =
        GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings,
                                "default-content-security-policy", kPagePolicy, nullptr));
    g_object_unref(settings);
    control->view = WEBKIT_WEB_VIEW(view);
    g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), control);
    g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), control);
    g_signal_connect(view, "context-menu", G_CALLBACK(OnContextMenu), control);
    g_signal_connect(view, "resource-load-started", G_CALLBACK(OnResourceLoadStarted), control);
    std::string name = GbkToUtf8(control->layout.accessibleName);
    if (!name.empty()) {
        atk_object_set_name(gtk_widget_get_accessible(view), name.c_str());
    }
    gtk_box_pack_start(GTK_BOX(control->outer), view, TRUE, TRUE, 0);
    gtk_widget_show(view);
}

gboolean MakeViewWhenIdle(gpointer data) {
    MakeView(static_cast<ControlRecord*>(data));
    return G_SOURCE_REMOVE;
}

gboolean OnFirstDraw(GtkWidget* widget, cairo_t*, gpointer data) {
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(OnFirstDraw), data);
    g_idle_add_full(G_PRIORITY_LOW, MakeViewWhenIdle, data, nullptr);
    return FALSE;
}

}  // namespace

GtkWidget* CreateBrowser(ControlRecord* control) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    std::string name = GbkToUtf8(control->layout.accessibleName);
    if (!name.empty()) {
        atk_object_set_name(gtk_widget_get_accessible(box), name.c_str());
    }
    g_signal_connect_after(box, "draw", G_CALLBACK(OnFirstDraw), control);
    return box;
}

void BrowserShowLocalPage(const Text& controlName, const Text& path) {
    std::string diskPath = PlatformDiskPath(path);
    RunOnUiThread([&] {
        ControlRecord* control = FindControl(controlName, ControlKind::BrowserView);
        if (control == nullptr || diskPath.empty()) {
            return;
        }
        gchar* uri = g_filename_to_uri(diskPath.c_str(), nullptr, nullptr);
        if (uri == nullptr) {
            return;
        }
        MakeView(control);
        ViewGuard& guard = GuardOf(control);
        guard.pageUri = uri;
        g_free(uri);
        if (control->view == nullptr) {
            return;
        }
        if (guard.filterFor == guard.pageUri) {
            StartOwnLoad(control, guard.pageUri);
        } else if (guard.compilingFor != guard.pageUri) {
            CompileRules(control, guard.pageUri);
        }
    });
}

std::vector<std::string> LoadedResourcesOf(ControlRecord* control) {
    return GuardOf(control).loadedResources;
}
