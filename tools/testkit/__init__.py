"""Test support for robotscene: what the tests and the tools need to run the real program and the
web page and to look at what they show. It judges nothing by itself but through checks.Checks.

Modules, each imported by name (`from testkit import program`):
  base     the repository's folders, HarnessError, scaled time-outs, wait_until, and Managed,
           the one context-manager pattern for everything that starts a process
  images   8-bit RGB pictures: PPM in, PNG out, shares of pixels near a colour or changed
  xvfb     a private X server and the stopping of process groups
  program  the real program on its own Xvfb, driven with xdotool (ProgramRun)
  browser  the web page in Chromium, Firefox ESR or WebKitGTK through one interface (open_page,
           Page; what an engine lacks, Page.lacks), served from a folder on a private local server
  cdp, bidi, webdriver   its backends: the DevTools protocol, WebDriver BiDi, classic WebDriver
  scene    the scene's regions and picture predicates (the menu shown, the floor drawn, ...)
  checks   Checks (one line per check and the closing "N passed, N failed"), check_exit, run_test

Tests get the package through PYTHONPATH, set once in tests/CMakeLists.txt; the tools in tools/
import it as their sibling. Environment: see base and program.
"""
