"""A lost WebGL context (WEBGL_lose_context), in each browser of test_web.py's harness:
the page waits while it is lost, and after the restore the same light goes on and held keys move
it; a loss in full screen; a context lost as it is made (a GPU reset while the start-up box is
up); a context never given back ends in one box and status 1.
The cases use only the page driver's load, answer, keys, script and capture calls.

Run one case:  QUORVANE_WEB=build-web python3 tests/web/test_web_context.py LostAndRestored
"""

import time

from test_web import QUESTION, WebSession, e2e, main, wait_until

LOSE = """var canvas = document.querySelector('canvas.quorvane-window');
    window.quorvaneLoss = canvas.getContext('webgl').getExtension('WEBGL_lose_context');
    window.quorvaneLoss.loseContext();"""
RESTORE = "window.quorvaneLoss.restoreContext()"
# The first WebGL context the page makes is lost at once and given back a second later; the
# frames drawn meanwhile are counted.
LOSE_FIRST_CONTEXT = """var make = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function(type, attributes) {
      var gl = make.call(this, type, attributes);
      if (gl && type == 'webgl' && !window.quorvaneLostFirst) {
        window.quorvaneLostFirst = true;
        var loss = gl.getExtension('WEBGL_lose_context');
        loss.loseContext();
        var frames = window.quorvaneFrames || 0;
        setTimeout(function() {
          window.quorvaneFramesWhileLost = (window.quorvaneFrames || 0) - frames;
          loss.restoreContext();
        }, 1000);
      }
      return gl;
    };"""
LOST_MESSAGE = "OpenGL Context Lost.\nThe Browser Did Not Restore It."


class ContextSession(WebSession):
    def marker(self):
        return e2e.still_picture(self.page.capture).classes().centroid["orange"]

    def lose_and_wait(self):
        """Loses the context; the page then draws no frames."""
        self.page.js(LOSE)
        time.sleep(0.5)
        frames = self.page.frames()
        time.sleep(1.5)
        self.assertEqual(self.page.frames(), frames, "frames drawn with the context lost")

    def restore(self):
        """Gives the context back; the ms until the picture is back."""
        restored = time.monotonic()
        self.page.js(RESTORE)
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "the picture after the restore")
        return (time.monotonic() - restored) * 1000

    def assert_d_moves_the_light(self):
        """The marker and the lit patch under it both move: the surface's colours, sent again
        each frame in the buffers made after the restore, follow the light."""
        start = e2e.still_picture(self.page.capture).classes().centroid
        self.page.key_down("d")
        try:
            self.page.wait_for_picture(lambda c: c.count["orange"] and c.count["lit"] and
                                       c.centroid["orange"][0] - start["orange"][0] >= 20 and
                                       c.centroid["lit"][0] - start["lit"][0] >= 5, 20,
                                       "D moving the light and its lit patch after the restore")
        finally:
            self.page.key_up("d")


class LostAndRestored(ContextSession):
    def test_the_same_light_comes_back_and_held_keys_move_it(self):
        self.start_windowed()
        self.page.key_down("d")  # the light away from where it starts
        time.sleep(0.5)
        self.page.key_up("d")
        before = self.marker()
        self.lose_and_wait()
        print(f"picture back {self.restore():.0f} ms after restoreContext()")
        after = self.marker()
        for a, b in zip(before, after):
            self.assertLess(abs(a - b), 2, (before, after))
        self.assert_d_moves_the_light()
        self.assertEqual(self.page.dialogs(), [])


class LostInFullScreen(ContextSession):
    def test_a_loss_in_full_screen_comes_back_full_screen(self):
        self.page.wait_for_dialog()
        self.page.answer("Yes")
        full = "return document.fullscreenElement && document.fullscreenElement.id"
        wait_until(lambda: self.page.js(full) == "quorvane-screen", 10, what="full screen")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "full-screen frames")
        self.lose_and_wait()
        self.restore()
        self.assertEqual(self.page.js(full), "quorvane-screen")
        self.assert_d_moves_the_light()


class LostAtStart(ContextSession):
    def test_a_context_lost_as_it_is_made_is_restored(self):
        self.assertEqual(self.page.wait_for_dialog()[1], QUESTION)
        self.page.js(LOSE_FIRST_CONTEXT)
        self.page.answer("No")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "the picture after the restore")
        self.assertTrue(self.page.js("return window.quorvaneLostFirst"))
        self.assertEqual(self.page.js("return window.quorvaneFramesWhileLost"), 0,
                         "frames drawn before the context was restored")
        self.assert_d_moves_the_light()


class NeverRestored(ContextSession):
    def test_one_box_then_status_1(self):
        self.start_windowed()
        self.lose_and_wait()
        self.assertEqual(self.page.wait_for_dialog(10), ["Error", LOST_MESSAGE, ["OK"]])
        self.page.answer("OK")
        self.assertEqual(self.page.wait_for_exit(), "1")
        self.assertEqual(self.page.dialogs(), [])


if __name__ == "__main__":
    main()
