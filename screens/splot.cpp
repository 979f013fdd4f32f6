// The result-screen driver: the graphics dialogue after every
// reconstruction.  Questions are asked on the top line of the window and
// answered there by typing, by a pointer button ("MOUSE1" and the pointer
// position) or through a pop-up menu; Control-Z ("CONTROL_Z") leaves at any
// question.  Pages requested with P collect in KALO.PS, which is closed and
// handed to the print command when the user leaves.
#include "screens/splot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "device/ps/ps.h"
#include "device/sys/command.h"
#include "device/x11/window.h"
#include "state/run_state.h"
#include "records/text_records.h"
#include "graph/graph_state.h"
#include "screens/answers.h"
#include "screens/frames.h"
#include "screens/hardcopy.h"
#include "screens/zoom.h"

namespace {

constexpr int TERM_OUT = 6;

// ---- State kept from one visit to the next ----
int first = 1;     // 1 until the contour-count hint has been written
int first2 = 1;    // 1 until the frame list has been written
int first3 = 1;    // 1 until the window has been created
int hardcopy = 0;  // 1 while KALO.PS is open with pages not yet printed
int ncdef = -110;  // contour-count code offered in the frame-3 prompt
FString<30> printcmd;
FString<13> ltit;  // "L =" and the projection number
FString<13> mtit;  // the same with "MOD": the H-factors were cut

// Menu items, one after the other, each blank-padded to its length.
constexpr int M1_LEN = 60, M2_LEN = 22, M3_LEN = 30;
char m1[10 * M1_LEN];
char m2[3 * M2_LEN];
char m3[14 * M3_LEN];
// Contour-count codes of the items of m3.
constexpr int M3_CODES[14] = {-103, -105, -108, -110, -115, -120, -125,
                              103,  105,  108,  110,  115,  120,  125};

void put_items(char* dst, int len, std::initializer_list<std::string_view> items) {
  for (std::string_view t : items) {
    std::memset(dst, ' ', std::size_t(len));
    std::memcpy(dst, t.data(), t.size());
    dst += len;
  }
}

void menu_texts() {
  put_items(m1, M1_LEN,
            {" 0: Exit graphic mode", " 1: Profiles and corresponding projections of the source",
             " 2: H-factors for reconstructing the source",
             " 3: Source (contour plot) and phase space density", " 4: Source (3-dim plot)",
             " 5: Source (3-dim plot, turned 90 degs)", " 6: X -projection of the source",
             " 7: X'-projection of the source", " 8: Overview collection",
             " P: Hardcopy on printer"});
  put_items(m2, M2_LEN, {" Printer Hardcopy    P", " Continue         <CR>", " Cancel Loop         C"});
  put_items(m3, M3_LEN,
            {"  3 Contour lines w/o  labels ", "  5 Contour lines w/o  labels ",
             "  8 Contour lines w/o  labels ", " 10 Contour lines w/o  labels ",
             " 15 Contour lines w/o  labels ", " 20 Contour lines w/o  labels ",
             " 25 Contour lines w/o  labels ", "  3 Contour lines with labels ",
             "  5 Contour lines with labels ", "  8 Contour lines with labels ",
             " 10 Contour lines with labels ", " 15 Contour lines with labels ",
             " 20 Contour lines with labels ", " 25 Contour lines with labels "});
}

// ---- One visit ----

// The answer of the last question, blank-padded.
Answer input;
// The answer was given with a pointer button, not typed.
bool pointer = false;

bool is_mouse1() { return pointer && answer_is(input, "MOUSE1"); }
bool is_mouse2() { return pointer && answer_is(input, "MOUSE2"); }
bool is_ctrl_z() { return answer_is(input, "CONTROL_Z"); }
bool is_p() { return answer_is_p(input); }

// Writes the prompt on the window's top line and waits for the answer.
void get_answer(std::string_view prompt) {
  char text[64];
  const std::size_t n = prompt.size() < sizeof text - 1 ? prompt.size() : sizeof text - 1;
  std::memcpy(text, prompt.data(), n);
  text[n] = '\0';
  input.blank();
  getinp(10.0f, 800.0f, text, input.c, 30);
  pointer = xwi_answer_button() != 0;
}

// Clears the prompt line before a question is asked again.
void clear_prompt() { eraser(0.0f, 760.0f, 1060.0f, 800.0f); }

// Asks a question in colour 1, then goes back to colour 3.
void ask(std::string_view prompt) {
  set_col(1);
  get_answer(prompt);
  set_col(3);
}

// The continue menu at the pointer; item 2 leaves `blank_cols` columns
// blank, item 3 puts `cancel` into column 1.  False when the menu was
// cancelled: the question is asked again.
bool continue_menu(int blank_cols, char cancel) {
  float x1, y1;
  answer_pointer(input, x1, y1);
  const int nn = menu(x1, y1, 22, 3, m2, M2_LEN);
  if (nn == 1) input(1) = 'P';
  if (nn == 2)
    for (int c = 1; c <= blank_cols; ++c) input(c) = ' ';
  if (nn == 3) input(1) = cancel;
  return nn != 0;
}

void open_hardcopy() {
  if (hardcopy == 0) {
    psopen("KALO.PS");
    splotps_new_file();
  }
  hardcopy = 1;
}

// What follows the continue question of a plot.
enum class Next { GO_ON, STOP, LEAVE };

// Asks whether to go on after a plot: Return (or the second button) goes
// on, P makes a page of (frame, item) and goes on, any other answer stops
// (the menu's "Cancel Loop" puts `cancel` into column 1).
Next continue_question(char cancel, int frame, int item) {
  for (;;) {
    ask("Enter RET for continue or P for Hardcopy ");
    if (!is_mouse1() || continue_menu(1, cancel)) break;
    clear_prompt();
  }
  if (is_mouse2()) input(1) = ' ';
  if (is_p()) {
    open_hardcopy();
    splotps(frame, item);
    return Next::GO_ON;
  }
  if (is_ctrl_z()) return Next::LEAVE;
  int idum = 0;
  return answer_digit(input, idum) && idum == 0 ? Next::GO_ON : Next::STOP;
}

// Ends KALO.PS and hands it to the print command, when it holds pages.
void print_pages() {
  if (hardcopy == 1) {
    pscls();
    rec::write_formatted(rec::Internal(printcmd.c + 8, 1), "(I1)", {coltag.IPRINT}, rec::ERR);
    char command[31];
    std::memcpy(command, printcmd.c, 30);
    command[30] = '\0';
    // The command's words, run without a shell: a print command that is
    // missing or cannot be run is reported in one line with the reason,
    // not with the shell's own message.  What it does with the file is its
    // own affair: its result is not examined.
    const char* argv[4] = {};
    int n = 0;
    for (char* word = std::strtok(command, " "); word && n < 3; word = std::strtok(nullptr, " "))
      argv[n++] = word;
    int error = 0;
    if (run_command(argv, error) < 0) {
      char text[160];
      std::snprintf(text, sizeof text, "KALO.PS is kept; the print command %s could not be run: %s",
                    argv[0], std::strerror(error));
      rec::write_formatted(6, "(1X,A)", {std::string_view(text)});
    }
  }
  hardcopy = 0;
}

// Says on the window's top line that the answers are now expected at the
// terminal, lowers the window, then prints the pages of this visit.
void leave() {
  set_col(1);
  clear_prompt();
  text_out("Graphics left: answers are now expected at the terminal", 10.0f, 774.0f, 3);
  vt220_pop();
  print_pages();
}

// One visit to the result screens.
void visit() {
  tekt = TEKT_SCREEN;
  hardcopy_settings();
  menu_texts();
  static const bool texts_set = [] {
    printcmd = "./print 1 KALO.PS";
    ltit = "L = 1";
    mtit = "L = 1   MOD";
    return true;
  }();
  (void)texts_set;
  frames_setup();
  const Sheet& scr = screen_sheet();

  int lan = 0;  // frame shown last (100: the emittance curve)
  int l = 0;    // projection shown last, or the contour code used

  if (first2 == 1) {
    rec::write_formatted(TERM_OUT,
                         "(' Frame numbers are:',/,"
                         "' 1: Profiles and corresponding projections of the source',/,"
                         "' 2: H-factors for reconstructing the source',/,"
                         "' 3: Source (contour plot) and phase space density',/,"
                         "' 4: Source (3-dim plot)',/,"
                         "' 5: Source (3-dim plot, turned 90 degs)',/,"
                         "' 6: X -projection of the source',/,"
                         "' 7: X''-projection of the source',/,"
                         "' 8: Overview collection')",
                         {});
    first2 = 0;
  }
  if (first3 == 1) {
    inixwi("TOMOGRAPHY", 5.0f, 30.0f, 1015.0f, 800.0f);
    if (xwi_window() == 0) {
      // No display: the run goes on without graphics (the H-factors can
      // still be stored); the next visit tries again.
      rec::write_formatted(TERM_OUT, "(' The result screens are skipped; the run goes on.')", {});
      return;
    }
    first3 = 0;
  } else {
    vt220_push();
  }
  // The first question, until it yields a frame number.
  for (;;) {
    erase();
    set_col(1);
    get_answer("Enter graphics frame number (1:8) or RET to terminate ");
    erase();
    if (is_mouse1()) {
      float x1, y1;
      answer_pointer(input, x1, y1);
      lan = menu(x1, y1, 57, 8, m1 + M1_LEN, M1_LEN);
      clear_prompt();
      if (lan != 0) break;  // a cancelled menu asks again
      continue;
    }
    if (is_ctrl_z()) return leave();
    if (answer_frame(input, lan)) break;
  }

  for (;;) {  // dispatch the frame number lan
    set_col(3);
    if (lan == 0) return leave();
    switch (lan) {
      case 1:
        for (l = 1; l <= expd.NL; ++l) {
          number_title(ltit.c, l);
          ltit(6) = '\0';
          draw_profile(scr, l, ltit.view().substr(0, 5), "S (cm)", "Proj", 4, 0);
          if (l == expd.NL) break;
          const Next next = continue_question('5', 1, l);
          if (next == Next::LEAVE) return leave();
          if (next == Next::STOP) break;
          erase();
        }
        break;
      case 2: {
        bool stop = false;
        for (l = 1; l <= expd.NL && !stop; ++l) {
          number_title(ltit.c, l);
          ltit(6) = '\0';
          std::string_view stit = ltit.view().substr(0, 5);
          for (bool redraw = true;; redraw = true) {
            if (redraw) draw_hfactors(scr, l, stit);
            else clear_prompt();
            ask("Enter IcutL,IcutR, P for Hardcopy or RET for continue ");
            if (is_mouse1()) {
              if (!continue_menu(10, 'Y')) {
                redraw = false;
                continue;
              }
            } else if (is_mouse2())
              for (int c = 1; c <= 10; ++c) input(c) = ' ';
            if (is_p()) {
              open_hardcopy();
              splotps(2, l);
              erase();
              break;
            }
            if (is_ctrl_z()) return leave();
            if (answer_cut_wide(input)) {  // not cut silently: asked again
              redraw = false;
              continue;
            }
            int icut1 = 0, icut2 = 0;
            if (!answer_cut(input, icut1, icut2)) {
              stop = true;
              break;
            }
            if (icut1 == 0 && icut2 == 0) {
              erase();
              break;
            }
            cuthfac(&stor.HFAC(1, l), expd.NK, icut1, icut2);
            number_title(mtit.c, l);
            mtit(13) = '\0';
            stit = mtit.view().substr(0, 11);
            erase();
          }
          if (stop) break;
        }
        if (l > expd.NL) l = expd.NL;
        break;
      }
      case 3: {
        if (first == 1) {
          rec::write_formatted(TERM_OUT,
                               "('+Number of contour lines: 3 to 25',/,"
                               "' Add 100 for nonlinear scale in z-direction',/,"
                               "' Multiply with -1 for suppressing labels')",
                               {});
          first = 0;
        }
        FString<40> text1;
        text1 = "Enter number of contour lines (D=  20) ";
        text1(40) = '\0';
        rec::write_formatted(rec::Internal(text1.c + 33, 4), "(I4)", {ncdef}, rec::ERR);
        // Asked again until it yields a code: after a cancelled menu and
        // after an answer that is not a number.
        int ncont = 0;
        for (;;) {
          ask(std::string_view(text1.c, 39));
          erase();
          ncont = 0;
          if (is_mouse1()) {
            float x1, y1;
            answer_pointer(input, x1, y1);
            const int nn = menu(x1, y1, 29, 14, m3, M3_LEN);
            if (nn < 1 || nn > 14) continue;
            ncont = M3_CODES[nn - 1];
            break;
          }
          if (is_mouse2()) break;
          if (is_ctrl_z()) return leave();
          if (answer_contour(input, ncont)) break;
        }
        if (ncont == 0) ncont = ncdef;
        if (ncont != 0) ncdef = ncont;
        draw_contour(scr, ncont);
        l = ncont;
        const Next next = continue_question('Y', 3, ncont);
        if (next == Next::LEAVE) return leave();
        if (next == Next::STOP) break;
        erase();
        draw_emittance(scr);
        lan = EMITTANCE_PAGE;
        break;
      }
      case 4: draw_surface(scr, 1); break;
      case 5: draw_surface(scr, 0); break;
      case 6: draw_x_projection(scr); break;
      case 7: draw_t_projection(scr); break;
      case 8: draw_overview(scr, ncdef); break;
      default: break;  // 9: nothing to draw
    }

    // The frame question, until it yields a number.
    for (;;) {
      set_col(1);
      eraser(0.0f, 760.0f, 1060.0f, 800.0f);
      get_answer("Enter number 1:8, P for Hardcopy or RET to terminate ");
      set_col(3);
      if (is_mouse1()) {
        float x1, y1;
        answer_pointer(input, x1, y1);
        const int lanx = menu(x1, y1, 57, 10, m1, M1_LEN) - 1;
        if (lanx < 0) continue;  // cancelled: asked again
        if (lanx == 9) input(1) = 'P';
        else {
          lan = lanx;
          break;
        }
      }
      if (is_p()) {
        // A frame number that names no frame (9) has no page: nothing is
        // opened or printed for it.
        if (page_defined(lan, l)) {
          open_hardcopy();
          splotps(lan, l);
        }
        continue;
      }
      if (is_ctrl_z()) return leave();
      if (answer_frame(input, lan)) break;
    }
    erase();
  }
}

}  // namespace

void splot() {
  // A display that goes away in the middle of a visit ends the visit (the
  // pages requested so far are still printed), not the run: the H-factors
  // can still be stored, and the next visit opens a new window.
  if (!xwi_guard(visit)) {
    first3 = 1;
    print_pages();
  }
}
