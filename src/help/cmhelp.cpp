#include "cmhelp.h"

#include <engine/cmengine.h>

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace CMHelp {

namespace {

// The help speaks of the machine the reader sits at.
QString machine()
{
#ifdef Q_OS_MACOS
    return u"Mac"_s;
#else
    return u"computer"_s;
#endif
}

} // namespace

QString autosaveFolderForDisplay()
{
    QString folder = QFileInfo(CMEngine::scriptPath()).absolutePath();
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != u"/"_s && folder.startsWith(home + u'/'))
        folder = u"~"_s + folder.sliced(home.size());
    return folder;
}

QList<HelpPage> pages()
{
    using B = HelpBlock;
    const QString m = machine();
    return OVHelp::forPlatform({
        {u"overview"_s, u"What Cuemaster Is"_s, u"text.viewfinder"_s,
         {B::text(u"OVS Cuemaster turns your "_s + m
                  + u" into a teleprompter. Write or import a script, set the speed and look, "
                    u"then go live full screen on this "_s
                  + m + u" or on a second display under a beam-splitter glass rig."_s),
          B::bullets({u"Smooth scrolling at any speed, adjustable while you read."_s,
                      u"Mirror and flip for real teleprompter glass."_s,
                      u"Several displays at once, each with its own mirror and flip, all in "
                      u"step."_s,
                      u"Jump from cue to cue; elapsed, remaining and over/under time on screen."_s,
                      u"Countdown, reading-line cue marker, margins, font and colours."_s,
                      u"Keyboard control and presentation-clicker (remote) control."_s,
                      u"Your script and settings are saved automatically."_s})}},
        {u"quickstart"_s, u"Quick Start"_s, u"bolt.fill"_s,
         {B::steps({u"Type or paste your script on the left, or click Import (TXT, RTF, Word, "
                    u"OpenDocument, HTML or PDF)."_s,
                    u"Check the Rig preview on the right: it shows exactly what the prompter will "
                    u"show."_s,
                    u"Choose a display under Display (your second screen is picked automatically "
                    u"if one is connected; tick more to go live on several at once) and click Go "
                    u"Live."_s,
                    u"Press Space. After the countdown the text starts to scroll. Use ↑ and ↓ to "
                    u"speed up or slow down."_s,
                    u"Press Esc to leave the prompter."_s}),
          B::tip(u"On a beam-splitter rig the glass reflects the screen backwards: switch on "
                 u"Mirror."_s)}},
        {u"script"_s, u"Script Desk"_s, u"doc.text"_s,
         {B::control(u"Import"_s,
                     u"Loads TXT, RTF, RTFD, Markdown, Word DOCX and DOC, OpenDocument (ODT), web "
                     u"page (HTML) and PDF files (also drag a file onto the editor, or File > "
                     u"Import Script…, ⌘O). A long import shows its progress under the editor, "
                     u"with Cancel; your script stays as it is until the new one is read."_s),
          B::control(u"Save TXT"_s, u"Saves the script as a plain text file."_s),
          B::control(u"… menu"_s,
                     u"Insert a cue line, clear the script, or bring back the sample."_s),
          B::control(u"[Square brackets]"_s,
                     u"A line like [Pause] or [Look at camera 2] is a cue: it shows small and "
                     u"dimmed on the prompter and isn't counted in the word count."_s),
          B::text(u"The header shows the word count and the time it takes to read at a normal "
                  u"pace (150 words per minute)."_s)}},
        {u"rig"_s, u"Rig Preview"_s, u"display"_s,
         {B::text(u"The rig preview is a live copy of the prompter screen, with mirror, flip, "
                  u"colours and cue marker exactly as they'll appear. While you're live it moves "
                  u"in sync with the prompter and shows a red ON AIR light."_s),
          B::control(u"Progress rail"_s,
                     u"The bar under the screen shows where you are in the script. Drag it to "
                     u"jump anywhere."_s),
          B::control(u"Cue ticks"_s,
                     u"Each cue line is a tick on the rail. Click one to put that cue on the "
                     u"reading line."_s),
          B::control(u"ELAPSED / LEFT"_s,
                     u"The running time since you started from the top (pauses left out), and "
                     u"the time the rest of the script needs at this speed."_s),
          B::control(u"OVER / UNDER"_s,
                     u"With a Target in the deck: how far the whole take will run over or under "
                     u"it at this speed."_s)}},
        {u"deck"_s, u"Control Deck"_s, u"dial.medium.fill"_s,
         {B::control(u"◀◀ / ⌃ / ▶ / ⌄"_s, u"Back to the top, jump back, start/stop, jump ahead."_s),
          B::control(u"Countdown"_s,
                     u"Off, 3, 5 or 10 seconds before scrolling starts from the top."_s),
          B::control(u"Target"_s,
                     u"How long the take should run, like 3:30 (a plain number is minutes). Leave "
                     u"it empty for none."_s),
          B::control(u"Speed knob"_s,
                     u"0 (still) to 10 (fast). Drag up or down. Changes take effect instantly "
                     u"without a jump."_s),
          B::control(u"Size knob"_s,
                     u"Text size, 24 to 200 points (on a 1920-wide screen; scales to any "
                     u"screen)."_s),
          B::control(u"Margins knob"_s,
                     u"Empty space left and right, so the text stays near the camera lens."_s),
          B::control(u"Spacing knob"_s, u"Line spacing."_s),
          B::control(u"Cue line knob"_s, u"Height of the reading line from the top of the screen."_s),
          B::control(u"Mirror / Flip"_s,
                     u"Mirror reverses left-right (for beam-splitter glass); Flip turns the text "
                     u"upside down (for rigs where the monitor faces up)."_s),
          B::control(u"Cue marker"_s, u"Red arrows and a soft band at the reading line."_s),
          B::control(u"CAPS"_s, u"Shows the script in capital letters."_s),
          B::control(u"Font / Colors"_s,
                     u"Typeface and color scheme (white, yellow or green on black, black on "
                     u"white, white on blue)."_s),
          B::control(u"Display / Go Live"_s,
                     u"Pick the screen and go full screen on it. End Live (or Esc) returns."_s),
          B::control(u"Display list"_s,
                     u"Tick every display to go live on. Each one keeps its own picture (like "
                     u"the deck, mirrored, flipped or both), hint bar, and time of the take in "
                     u"the corner you choose, remembered for that display. Esc on any of them "
                     u"ends live on all."_s)}},
        {u"keys"_s, u"Keyboard & Remote"_s, u"keyboard"_s,
         {B::key(u"Space or B or ."_s,
                 u"Start / stop (B and . are the \"blank screen\" keys on most presentation "
                 u"clickers)"_s),
          B::key(u"↑ / ↓"_s, u"Faster / slower"_s),
          B::key(u"→ or Page Down"_s, u"Jump ahead (clicker forward button)"_s),
          B::key(u"← or Page Up"_s, u"Jump back (clicker back button)"_s),
          B::key(u"R or Home"_s, u"Back to the top"_s),
          B::key(u"End"_s, u"Go to the end"_s),
          B::key(u"] / ["_s, u"Next / previous cue line"_s),
          B::key(u"M / F"_s, u"Mirror / flip"_s),
          B::key(u"+ / −"_s, u"Bigger / smaller text"_s),
          B::key(u"Esc"_s, u"Leave the live prompter"_s),
          B::key(u"⌘L"_s, u"Go live / end live"_s),
          B::key(u"⌘↩"_s, u"Start / stop from the menu"_s),
          B::key(u"⌘] / ⌘["_s, u"Next / previous cue from the menu"_s),
          B::key(u"⌘O"_s, u"Import a script"_s),
          B::key(u"⌘Q"_s, u"Quit (the script and settings are saved first)"_s),
          B::key(u"⌘= / ⌘− / ⌘0"_s, u"Interface zoom of this window"_s),
          B::tip(u"Any presentation remote that acts as a keyboard (Logitech, Kensington, "
                 u"Satechi…) works with no setup. Bluetooth keyboards and foot pedals that send "
                 u"arrow or Page keys work too."_s)}},
        {u"remote"_s, u"Remote Control"_s, u"dot.radiowaves.left.and.right"_s,
         {B::text(u"Run the prompter from a phone, a tablet or a show controller: choose "
                  u"Prompter > Remote Control… and turn it on."_s),
          B::steps({u"Switch on \"Allow other devices on this network\" so a phone on the "
                    u"same Wi-Fi can reach this "_s
                        + m + u"."_s,
                    u"Scan the QR code with the phone's camera, or type the address shown."_s,
                    u"The page has start/stop, speed, jumps, cues, mirror, flip and Go Live, and "
                    u"shows the script moving at the reading line."_s}),
          B::text(u"Show controllers and scripts can use the JSON API and the WebSocket at the "
                  u"same address, or OSC messages such as /cuemaster/toggle on the OSC port. "
                  u"The README lists every command."_s),
          B::tip(u"Anyone with the address can run the prompter. Click New Address after a show "
                 u"to lock out every device that had it. Remote control stays off until you "
                 u"turn it on."_s)}},
        {u"tips"_s, u"Tips"_s, u"lightbulb.fill"_s,
         {B::bullets({u"Start around speed 3 and adjust while rehearsing; the knob remembers your "
                      u"setting."_s,
                      u"Short lines are easier to read near a lens: raise the margins until about "
                      u"6–8 words fit on a line."_s,
                      u"Put the cue line about one third from the top so your eyes stay close to "
                      u"the camera."_s,
                      u"Two displays: arrange them in System Settings > Displays first; the "
                      u"prompter display can be mirrored or extended."_s,
                      u"Your script is saved automatically in "_s + autosaveFolderForDisplay()
                          + u"."_s}),
          B::tip(u"In a studio, tick the talent's glass with Mirror and no hint bar and a "
                 u"confidence monitor with the time shown, then Go Live: both run in step."_s)}},
    });
}

} // namespace CMHelp
