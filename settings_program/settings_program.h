// The settings program: one window with a bar of its own (the title, Save
// and Cancel) over a scrolling form, which shows every value of the
// dialer's settings key and the services, checks each one as it is typed
// with the dialer's own rules, and writes them on Save. One thread; the
// state is the one record below.
#pragma once
#include <windows.h>

#include "app/entry_point.h"
#include "settings/setting_store.h"
#include "settings_program/form_layout.h"

#define SETTINGS_CLASS_NAME L"ZembrikSettings"
#define SETTINGS_FORM_CLASS_NAME L"ZembrikSettingsForm"
#define SETTINGS_TITLE L"Zembrik Settings"

// The form's fields, each one control under a label. The general ones come
// first, then SERVICE_FIELD_COUNT for each service, in ServiceField order.
enum FormField {
    SERVICE_CHOICE_FIELD,
    DIAL_PLAN_FIELD,
    SAMPLE_NUMBER_FIELD,
    COUNTRY_CODE_FIELD,
    OWN_NUMBER_FIELD,
    SKIN_FIELD,
    EXIT_ON_MINIMIZE_FIELD,
    GENERAL_FIELD_COUNT
};
#define FIELD_COUNT (GENERAL_FIELD_COUNT + MAX_SERVICES * SERVICE_FIELD_COUNT)
#define SERVICE_FIELD(n, field) (GENERAL_FIELD_COUNT + ((n)-1) * SERVICE_FIELD_COUNT + (field))

// Each field's rows down the form: a heading before service n's first
// field, the label, the control, and a note under it (a check's reason or
// a hint), empty when there is nothing to say.
enum FieldRow { HEADING_ROW, LABEL_ROW, CONTROL_ROW, NOTE_ROW, ROWS_PER_FIELD };
#define FORM_ROW_COUNT (FIELD_COUNT * ROWS_PER_FIELD)
// The controls' identifiers: the row's place in the form, from this.
#define FORM_CONTROL_BASE 1000
#define FORM_ROW_ID(field, row) (FORM_CONTROL_BASE + (field)*ROWS_PER_FIELD + (row))

enum ControlKind { EDIT_CONTROL, PASSWORD_CONTROL, LIST_CONTROL, CHECK_CONTROL };
struct FieldForm {
    const WCHAR *label;
    ControlKind kind;
    bool hasNote;
};
const FieldForm *FormOfField(int field);
// The service a field belongs to, 1 to MAX_SERVICES, or 0 for none.
int ServiceOfField(int field);

#define NOTE_CAPACITY 160
#define LONGEST_VALUE DIAL_PLAN_CAPACITY
// The fields' capacities added up: the general ones' and the services'.
#define LOADED_POOL_CAPACITY (1480 + MAX_SERVICES * 832)

struct SettingsState {
    HINSTANCE instance;
    HWND window;
    HWND form;
    HWND title, saveButton, cancelButton;
    HFONT font, headingFont;
    int lineHeight; // of the font, in pixels: every measure follows it
    int barHeight;
    // The form's rows: their windows (NULL for a row the field lacks) and
    // where the last layout put them, in the scrolling column.
    HWND rows[FORM_ROW_COUNT];
    FormRow rowSizes[FORM_ROW_COUNT];
    int rowTops[FORM_ROW_COUNT];
    int contentHeight;
    int scrollOffset;
    // While the fields are filled, each filling's change notice is ignored:
    // the form is brought up to date once, after the last.
    bool filling;
    // The texts the fields were loaded with: Save writes a value only when
    // its text differs, and what the form cannot show (a type it does not
    // know, a flag written "10") stays as it is while its choice does.
    // Each is a part of the pool as long as the field's capacity.
    WCHAR *loaded[FIELD_COUNT];
    WCHAR loadedPool[LOADED_POOL_CAPACITY];
    int loadedChoice[FIELD_COUNT];
    // A stored click-to-dial URL too long to use, for the service's note
    // while its field stays empty.
    bool urlTooLong[MAX_SERVICES + 1];
};
extern SettingsState settings;

// settings_program/form.cpp
bool CreateForm(HWND window);
void LayOutForm(void);
void ScrollFormTo(int offset);
void ShowFieldInView(HWND control);
HWND FieldControl(int field);
LRESULT CALLBACK FormWndProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam);

// settings_program/form_values.cpp
// What the field may hold, in units with the terminator.
size_t FieldCapacity(int field);
// Whether the field is shown: a service's only when it has a type, the URL
// only for click-to-dial.
bool FieldShown(int field);
// False when the fields do not fit the state record, a fault of the build.
bool LoadForm(void);
// Brings the notes, the rows shown and the service list up to date after a
// field changed.
void RefreshForm(void);
// Writes what changed when every value is valid; else says which is not,
// shows it and writes nothing. True when written.
bool SaveForm(void);
