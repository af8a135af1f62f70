// glimmerkin-settings: the Linux window for Glimmerkin's settings, with a
// live preview drawn by the saver's own frame path.
#include <adwaita.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/application_id.h"
#include "host/linux/autostart.h"
#include "host/linux/linux_options.h"
#include "settings/ini_settings.h"
#include "settings/linux/preview.h"
#include "settings/settings_form.h"

namespace glimmerkin {
namespace {

struct Options {
  std::optional<uint32_t> seed;
  std::optional<uint32_t> frameLimit;
};

struct Window {
  std::string settingsPath;
  std::string autostartPath;
  SettingsForm saved;
  SettingsForm form;
  // The file could not be taken as it is: saving what is shown mends it.
  bool mend = false;
  std::unique_ptr<Preview> preview;
  GtkWidget* window = nullptr;
  GtkWidget* toasts = nullptr;
  GtkWidget* message = nullptr;
  GtkWidget* save = nullptr;
  GtkWidget* speed = nullptr;
  GtkWidget* count = nullptr;
  GtkWidget* startWhenIdle = nullptr;
  GtkWidget* delay = nullptr;
  GtkWidget* lock = nullptr;
};

Options options;
Window* current = nullptr;

bool Differs(const SettingsForm& a, const SettingsForm& b) {
  return a.scene.redrawSpeed != b.scene.redrawSpeed || a.scene.alienCount != b.scene.alienCount ||
         a.idleDelay != b.idleDelay || a.lockWhenEnded != b.lockWhenEnded ||
         a.startWhenIdle != b.startWhenIdle;
}

void ShowMessage(Window& w, const std::string& text, bool error) {
  // Also on the error output, for whoever started the window from a shell.
  if (!text.empty()) std::fprintf(stderr, "glimmerkin-settings: %s\n", text.c_str());
  gtk_label_set_text(GTK_LABEL(w.message), text.c_str());
  gtk_widget_remove_css_class(w.message, "error");
  gtk_widget_remove_css_class(w.message, "warning");
  gtk_widget_add_css_class(w.message, error ? "error" : "warning");
  gtk_widget_set_visible(w.message, !text.empty());
}

void FormChanged(Window& w) {
  gtk_widget_set_sensitive(w.save, w.mend || Differs(w.form, w.saved));
}

// Where the saver is: beside this program (the build folder, /usr/bin),
// else wherever PATH finds it.
std::string SaverPath() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    self[n] = '\0';
    std::string path(self);
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) {
      path = path.substr(0, slash + 1) + "glimmerkin";
      if (access(path.c_str(), X_OK) == 0) return path;
    }
  }
  return "glimmerkin";
}

void TryFullScreen(Window& w) {
  std::vector<std::string> words = TryOutArguments(w.form, true);
  words.insert(words.begin(), SaverPath());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  GError* error = nullptr;
  GPid pid = 0;
  if (!g_spawn_async(nullptr, argv.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                     nullptr, nullptr, &pid, &error)) {
    ShowMessage(w, std::string("The saver could not be started: ") + error->message, true);
    g_error_free(error);
    return;
  }
  g_child_watch_add(pid, +[](GPid child, gint, gpointer) { g_spawn_close_pid(child); }, nullptr);
}

void Save(Window& w) {
  if (!WriteProfileValues(w.settingsPath, FormValues(w.form))) {
    ShowMessage(w, SaveFailedMessage(w.settingsPath), true);
    return;
  }
  if (w.form.startWhenIdle != w.saved.startWhenIdle &&
      !WriteWatchAutostart(w.autostartPath, SaverPath(), w.form.startWhenIdle)) {
    w.saved.scene = w.form.scene;
    w.saved.idleDelay = w.form.idleDelay;
    w.saved.lockWhenEnded = w.form.lockWhenEnded;
    ShowMessage(w, AutostartFailedMessage(w.autostartPath, w.form.startWhenIdle), true);
    FormChanged(w);
    return;
  }
  w.saved = w.form;
  w.mend = false;
  ShowMessage(w, "", false);
  FormChanged(w);
  adw_toast_overlay_add_toast(ADW_TOAST_OVERLAY(w.toasts), adw_toast_new("Settings saved"));
}

GtkWidget* Scale(int32_t low, int32_t high, int32_t value) {
  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, low, high, 1);
  gtk_range_set_value(GTK_RANGE(scale), value);
  gtk_range_set_round_digits(GTK_RANGE(scale), 0);
  gtk_scale_set_digits(GTK_SCALE(scale), 0);
  gtk_scale_set_draw_value(GTK_SCALE(scale), TRUE);
  gtk_scale_set_value_pos(GTK_SCALE(scale), GTK_POS_RIGHT);
  gtk_scale_add_mark(GTK_SCALE(scale), low, GTK_POS_BOTTOM, nullptr);
  gtk_scale_add_mark(GTK_SCALE(scale), high, GTK_POS_BOTTOM, nullptr);
  gtk_widget_set_size_request(scale, 240, -1);
  gtk_widget_set_valign(scale, GTK_ALIGN_CENTER);
  return scale;
}

GtkWidget* Row(const char* title, const char* subtitle, GtkWidget* suffix) {
  GtkWidget* row = adw_action_row_new();
  adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
  adw_preferences_row_set_use_underline(ADW_PREFERENCES_ROW(row), TRUE);
  if (subtitle != nullptr) adw_action_row_set_subtitle(ADW_ACTION_ROW(row), subtitle);
  adw_action_row_add_suffix(ADW_ACTION_ROW(row), suffix);
  adw_action_row_set_activatable_widget(ADW_ACTION_ROW(row), suffix);
  return row;
}

GtkWidget* Switch(bool on) {
  GtkWidget* widget = gtk_switch_new();
  gtk_switch_set_active(GTK_SWITCH(widget), on);
  gtk_widget_set_valign(widget, GTK_ALIGN_CENTER);
  return widget;
}

void OnSceneChanged(GtkRange*, gpointer data) {
  auto& w = *static_cast<Window*>(data);
  const Settings before = w.form.scene;
  w.form.scene.redrawSpeed = static_cast<int32_t>(gtk_range_get_value(GTK_RANGE(w.speed)));
  w.form.scene.alienCount = static_cast<int32_t>(gtk_range_get_value(GTK_RANGE(w.count)));
  if (before.redrawSpeed != w.form.scene.redrawSpeed ||
      before.alienCount != w.form.scene.alienCount)
    w.preview->Show(w.form.scene);
  FormChanged(w);
}

void OnWatchChanged(GObject*, GParamSpec*, gpointer data) {
  auto& w = *static_cast<Window*>(data);
  w.form.startWhenIdle = gtk_switch_get_active(GTK_SWITCH(w.startWhenIdle));
  w.form.lockWhenEnded = gtk_switch_get_active(GTK_SWITCH(w.lock));
  const int32_t delay = gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(w.delay));
  if (delay != w.form.idleDelay) {
    w.form.idleDelay = delay;
    w.form.delaySet = true;
  }
  FormChanged(w);
}

void FollowMinimized(GtkWidget* window, Window& w) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
  if (surface == nullptr || !GDK_IS_TOPLEVEL(surface)) return;
  g_signal_connect(surface, "notify::state", G_CALLBACK(+[](GObject* s, GParamSpec*, gpointer d) {
                     const GdkToplevelState state = gdk_toplevel_get_state(GDK_TOPLEVEL(s));
                     static_cast<Window*>(d)->preview->SetMinimized(
                         (state & GDK_TOPLEVEL_STATE_MINIMIZED) != 0);
                   }),
                   &w);
}

GtkWidget* SceneGroup(Window& w) {
  GtkWidget* group = adw_preferences_group_new();
  adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), "Scene");
  w.speed = Scale(kMinRedrawSpeed, kMaxRedrawSpeed, w.form.scene.redrawSpeed);
  w.count = Scale(kMinAlienCount, kMaxAlienCount, w.form.scene.alienCount);
  adw_preferences_group_add(ADW_PREFERENCES_GROUP(group),
                            Row((std::string("_") + kSpeedLabel).c_str(), "How often the scene moves on", w.speed));
  adw_preferences_group_add(ADW_PREFERENCES_GROUP(group),
                            Row((std::string("_") + kCountLabel).c_str(), "How many walk about at the start", w.count));
  g_signal_connect(w.speed, "value-changed", G_CALLBACK(OnSceneChanged), &w);
  g_signal_connect(w.count, "value-changed", G_CALLBACK(OnSceneChanged), &w);
  return group;
}

GtkWidget* WatchGroup(Window& w) {
  GtkWidget* group = adw_preferences_group_new();
  adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), "Starting");
  w.startWhenIdle = Switch(w.form.startWhenIdle);
  w.delay = gtk_spin_button_new_with_range(kMinIdleDelay, kMaxIdleDelay, 10);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(w.delay), w.form.idleDelay);
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(w.delay), TRUE);
  gtk_widget_set_valign(w.delay, GTK_ALIGN_CENTER);
  w.lock = Switch(w.form.lockWhenEnded);
  adw_preferences_group_add(
      ADW_PREFERENCES_GROUP(group),
      Row("Start when _idle", "Also turns starting at login on or off", w.startWhenIdle));
  adw_preferences_group_add(ADW_PREFERENCES_GROUP(group),
                            Row("Idle _time", "Seconds without input before it starts", w.delay));
  adw_preferences_group_add(ADW_PREFERENCES_GROUP(group),
                            Row("_Lock when it ends", "Ask for the password afterwards", w.lock));
  g_signal_connect(w.startWhenIdle, "notify::active", G_CALLBACK(OnWatchChanged), &w);
  g_signal_connect(w.lock, "notify::active", G_CALLBACK(OnWatchChanged), &w);
  g_signal_connect(w.delay, "notify::value", G_CALLBACK(OnWatchChanged), &w);
  return group;
}

GtkWidget* PreviewBox(Window& w) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_widget_set_halign(frame, GTK_ALIGN_CENTER);
  gtk_widget_add_css_class(frame, "preview");
  gtk_frame_set_child(GTK_FRAME(frame), w.preview->Widget());
  gtk_box_append(GTK_BOX(box), frame);
  GtkWidget* caption = gtk_label_new("Aliens meet, court and raise little ones.");
  gtk_widget_add_css_class(caption, "dim-label");
  gtk_box_append(GTK_BOX(box), caption);
  GtkWidget* tryIt = gtk_button_new_with_mnemonic("Try _Full Screen");
  gtk_widget_set_halign(tryIt, GTK_ALIGN_CENTER);
  gtk_widget_add_css_class(tryIt, "pill");
  g_signal_connect(tryIt, "clicked", G_CALLBACK(+[](GtkButton*, gpointer d) {
                     TryFullScreen(*static_cast<Window*>(d));
                   }),
                   &w);
  gtk_box_append(GTK_BOX(box), tryIt);
  return box;
}

void Activate(GtkApplication* app, gpointer) {
  if (current != nullptr) {
    gtk_window_present(GTK_WINDOW(current->window));
    return;
  }
  auto* w = new Window;
  current = w;
  w->settingsPath = SettingsFilePath();
  w->autostartPath = WatchAutostartPath();
  const LoadedForm loaded = LoadForm(w->settingsPath, w->autostartPath);
  w->form = w->saved = loaded.form;
  w->mend = loaded.state != FileState::kFine;
  w->preview = std::make_unique<Preview>(options.seed, options.frameLimit);

  w->window = adw_application_window_new(app);
  gtk_window_set_title(GTK_WINDOW(w->window), "Glimmerkin");
  gtk_window_set_default_size(GTK_WINDOW(w->window), 640, 900);

  GtkWidget* header = adw_header_bar_new();
  // No mnemonic: Alt+S is the speed row's; Ctrl+S saves.
  w->save = gtk_button_new_with_label("Save");
  gtk_widget_add_css_class(w->save, "suggested-action");
  gtk_actionable_set_action_name(GTK_ACTIONABLE(w->save), "app.save");
  adw_header_bar_pack_end(ADW_HEADER_BAR(header), w->save);

  GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 24);
  gtk_widget_set_margin_top(content, 24);
  gtk_widget_set_margin_bottom(content, 24);
  gtk_widget_set_margin_start(content, 12);
  gtk_widget_set_margin_end(content, 12);
  w->message = gtk_label_new(nullptr);
  gtk_label_set_wrap(GTK_LABEL(w->message), TRUE);
  gtk_label_set_xalign(GTK_LABEL(w->message), 0);
  gtk_widget_add_css_class(w->message, "message");
  gtk_box_append(GTK_BOX(content), w->message);
  gtk_box_append(GTK_BOX(content), PreviewBox(*w));
  gtk_box_append(GTK_BOX(content), SceneGroup(*w));
  gtk_box_append(GTK_BOX(content), WatchGroup(*w));
  ShowMessage(*w, LoadMessage(loaded.state, w->settingsPath), false);

  GtkWidget* clamp = adw_clamp_new();
  adw_clamp_set_maximum_size(ADW_CLAMP(clamp), 560);
  adw_clamp_set_child(ADW_CLAMP(clamp), content);
  GtkWidget* scroller = gtk_scrolled_window_new();
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
  gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), clamp);
  gtk_widget_set_vexpand(scroller, TRUE);
  w->toasts = adw_toast_overlay_new();
  adw_toast_overlay_set_child(ADW_TOAST_OVERLAY(w->toasts), scroller);
  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_append(GTK_BOX(outer), header);
  gtk_box_append(GTK_BOX(outer), w->toasts);
  adw_application_window_set_content(ADW_APPLICATION_WINDOW(w->window), outer);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css,
                                  "label.message { padding: 12px 16px; border-radius: 12px; }"
                                  "label.message.warning { background: alpha(@warning_color, 0.15); }"
                                  "label.message.error { background: alpha(@error_color, 0.15); }"
                                  "frame.preview { border-radius: 12px; }"
                                  "frame.preview > * { border-radius: 12px; }",
                                  -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  g_signal_connect(w->window, "realize", G_CALLBACK(+[](GtkWidget* win, gpointer d) {
                     FollowMinimized(win, *static_cast<Window*>(d));
                   }),
                   w);
  g_signal_connect(w->window, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer d) {
                     auto* win = static_cast<Window*>(d);
                     current = nullptr;
                     delete win;
                   }),
                   w);
  w->preview->Show(w->form.scene);
  FormChanged(*w);
  gtk_widget_grab_focus(w->speed);
  gtk_window_present(GTK_WINDOW(w->window));
}

void Startup(GApplication* app, gpointer) {
  GSimpleAction* save = g_simple_action_new("save", nullptr);
  g_signal_connect(save, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer) {
                     if (current != nullptr) Save(*current);
                   }),
                   nullptr);
  g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(save));
  g_object_unref(save);
  GSimpleAction* quit = g_simple_action_new("quit", nullptr);
  g_signal_connect(quit, "activate", G_CALLBACK(+[](GSimpleAction*, GVariant*, gpointer a) {
                     g_application_quit(G_APPLICATION(a));
                   }),
                   app);
  g_action_map_add_action(G_ACTION_MAP(app), G_ACTION(quit));
  g_object_unref(quit);
  const char* saveKeys[] = {"<Control>s", nullptr};
  const char* quitKeys[] = {"<Control>q", "<Control>w", nullptr};
  gtk_application_set_accels_for_action(GTK_APPLICATION(app), "app.save", saveKeys);
  gtk_application_set_accels_for_action(GTK_APPLICATION(app), "app.quit", quitKeys);
}

constexpr const char* kUsage =
    "usage: glimmerkin-settings [options]\n"
    "The window for Glimmerkin's settings.\n"
    "  --version        print the version and exit\n"
    "  --fixed-seed S   seed the preview's scene with S instead of the clock\n"
    "  --frame-limit N  stop the preview after frame N\n";

// Returns the exit code when the words end the program, else -1.
int ParseArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool valued = word == "--fixed-seed" || word == "--frame-limit";
    if (word == "--help" || word == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (word == "--version") {
      std::printf("glimmerkin-settings %s\n", GLIMMERKIN_VERSION);
      return 0;
    }
    if (!valued || i + 1 >= argc) {
      std::fprintf(stderr, "glimmerkin-settings: unknown or incomplete option %s\n%s",
                   word.c_str(), kUsage);
      return 2;
    }
    const std::optional<uint32_t> value = ParseUnsigned(argv[++i]);
    if (!value) {
      std::fprintf(stderr, "glimmerkin-settings: %s needs a number\n", word.c_str());
      return 2;
    }
    (word == "--fixed-seed" ? options.seed : options.frameLimit) = value;
  }
  return -1;
}

}  // namespace
}  // namespace glimmerkin

int main(int argc, char** argv) {
  const int early = glimmerkin::ParseArguments(argc, argv);
  if (early >= 0) return early;
  // The window is a few rows and one small picture: GTK's cairo renderer
  // draws it for a fiftieth of the processor time its GL renderer takes on
  // machines that have GL only in software, and about half the memory.
  // Whoever sets GSK_RENDERER still chooses.
  g_setenv("GSK_RENDERER", "cairo", FALSE);
  // The program's name becomes the window's X11 class: the desktop entry's id.
  g_set_prgname(glimmerkin::kApplicationId);
  AdwApplication* app = adw_application_new(glimmerkin::kApplicationId, G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(app, "startup", G_CALLBACK(glimmerkin::Startup), nullptr);
  g_signal_connect(app, "activate", G_CALLBACK(glimmerkin::Activate), nullptr);
  char* only[] = {argv[0], nullptr};
  const int status = g_application_run(G_APPLICATION(app), 1, only);
  g_object_unref(app);
  return status;
}
