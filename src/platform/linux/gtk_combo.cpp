// Editable drop-down combo boxes: an entry, an arrow button and a popup menu as the list. A pick
// from the menu is the list-item-selected event; typing and programmatic selection raise none.
#include <algorithm>

#include "platform/linux/ui_internal.h"

namespace {

// The list reaches 160 px below the box's top edge.
constexpr int listBottom = 160;

void ShowSelection(ControlRecord* control) {
    const Text text = control->selection >= 0 ? control->entries[control->selection] : Text();
    gtk_entry_set_text(GTK_ENTRY(control->entry), GbkToUtf8(text).c_str());
}

void OnItemActivated(GtkMenuItem* item, gpointer data) {
    auto* control = static_cast<ControlRecord*>(data);
    if (!control->native->alive || !control->layout.enabled) {
        return;
    }
    int index = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), "lanchuan-index"));
    if (index < 0 || index >= int(control->entries.size())) {
        return;
    }
    control->selection = index;
    ShowSelection(control);
    if (control->layout.onListItemSelected != nullptr) {
        control->layout.onListItemSelected();
    }
}

void RebuildList(ControlRecord* control) {
    if (!control->menuStale) {
        return;
    }
    GtkMenuShell* shell = GTK_MENU_SHELL(control->menu);
    GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
    for (GList* each = children; each != nullptr; each = each->next) {
        gtk_widget_destroy(GTK_WIDGET(each->data));
    }
    g_list_free(children);
    for (std::size_t index = 0; index < control->entries.size(); ++index) {
        GtkWidget* item = gtk_menu_item_new_with_label(GbkToUtf8(control->entries[index]).c_str());
        g_object_set_data(G_OBJECT(item), "lanchuan-index", GINT_TO_POINTER(int(index)));
        g_signal_connect(item, "activate", G_CALLBACK(OnItemActivated), control);
        gtk_menu_shell_append(shell, item);
        gtk_widget_show(item);
    }
    control->menuStale = false;
}

void OnArrowClicked(GtkButton*, gpointer data) {
    OpenComboList(static_cast<ControlRecord*>(data), gtk_get_current_event());
}

gboolean OnEntryKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    bool down = event->keyval == GDK_KEY_Down || event->keyval == GDK_KEY_KP_Down;
    if ((down && (event->state & GDK_MOD1_MASK) != 0) || event->keyval == GDK_KEY_F4) {
        OpenComboList(static_cast<ControlRecord*>(data), reinterpret_cast<GdkEvent*>(event));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

GtkWidget* CreateCombo(ControlRecord* control) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_style_context_add_class(gtk_widget_get_style_context(box), "lanchuan-combo");
    gtk_style_context_add_class(gtk_widget_get_style_context(box), "linked");
    control->entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(control->entry), 1);
    control->button = gtk_button_new_from_icon_name("pan-down-symbolic", GTK_ICON_SIZE_MENU);
    gtk_widget_set_can_focus(control->button, FALSE);
    gtk_box_pack_start(GTK_BOX(box), control->entry, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), control->button, FALSE, FALSE, 0);
    gtk_widget_show(control->entry);
    gtk_widget_show(control->button);

    control->menu = gtk_menu_new();
    gtk_style_context_add_class(gtk_widget_get_style_context(control->menu), "lanchuan-list");
    gtk_menu_set_reserve_toggle_size(GTK_MENU(control->menu), FALSE);
    gtk_menu_attach_to_widget(GTK_MENU(control->menu), box, nullptr);
    g_signal_connect(control->button, "clicked", G_CALLBACK(OnArrowClicked), control);
    g_signal_connect(control->entry, "key-press-event", G_CALLBACK(OnEntryKey), control);

    std::string name = GbkToUtf8(control->layout.accessibleName);
    if (!name.empty()) {
        atk_object_set_name(gtk_widget_get_accessible(control->entry), name.c_str());
        atk_object_set_name(gtk_widget_get_accessible(box), name.c_str());
    }
    atk_object_set_name(gtk_widget_get_accessible(control->button), "Open list");
    return box;
}

int ComboAppendEntry(const Text& controlName, const Text& entry) {
    int index = -1;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            control->entries.push_back(entry);
            control->menuStale = true;
            index = int(control->entries.size()) - 1;
        }
    });
    return index;
}

void ComboRemoveAllEntries(const Text& controlName) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            gtk_menu_shell_deactivate(GTK_MENU_SHELL(control->menu));
            control->entries.clear();
            control->menuStale = true;
            control->selection = -1;
            ShowSelection(control);
        }
    });
}

Text ComboReadText(const Text& controlName) {
    Text text;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            text = Utf8ToGbk(gtk_entry_get_text(GTK_ENTRY(control->entry)));
        }
    });
    return text;
}

int ComboReadSelection(const Text& controlName) {
    int selection = -1;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            selection = control->selection;
        }
    });
    return selection;
}

void ComboSetSelection(const Text& controlName, int index) {
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            int last = int(control->entries.size()) - 1;
            control->selection = std::clamp(index, -1, std::max(last, -1));
            ShowSelection(control);
        }
    });
}

int ComboEntryCount(const Text& controlName) {
    int count = 0;
    RunOnUiThread([&] {
        if (ControlRecord* control = FindControl(controlName, ControlKind::EditableCombo)) {
            count = int(control->entries.size());
        }
    });
    return count;
}

void OpenComboList(ControlRecord* control, const GdkEvent* trigger) {
    if (!control->native->alive || !gtk_widget_is_sensitive(control->outer) ||
        control->entries.empty()) {
        return;
    }
    RebuildList(control);
    int boxWidth = gtk_widget_get_allocated_width(control->outer);
    int boxHeight = gtk_widget_get_allocated_height(control->outer);
    gtk_widget_set_size_request(control->menu, -1, -1);
    int natural = 0;
    gtk_widget_get_preferred_height(control->menu, nullptr, &natural);
    gtk_widget_set_size_request(control->menu, std::max(boxWidth, 1),
                                std::min(natural, listBottom - boxHeight));
    gtk_menu_popup_at_widget(GTK_MENU(control->menu), control->outer, GDK_GRAVITY_SOUTH_WEST,
                             GDK_GRAVITY_NORTH_WEST, trigger);
    if (control->selection >= 0) {
        GList* items = gtk_container_get_children(GTK_CONTAINER(control->menu));
        if (GList* selected = g_list_nth(items, control->selection)) {
            gtk_menu_shell_select_item(GTK_MENU_SHELL(control->menu), GTK_WIDGET(selected->data));
        }
        g_list_free(items);
    }
}
