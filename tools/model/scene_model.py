#!/usr/bin/env python3
"""Independent model of the Glimmerkin scene, written from the written rules
only, so that its trace can be compared line by line with glimmerkin-sim's.

Usage:
    scene_model.py trace --seed S --size WxH --ticks N [--aliens A]
"""

import sys

CAPACITY = 1028
LANDING_TRIES = 1000


def tdiv(a, b):
    """Division truncating toward zero (Python's // floors)."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def i32(v):
    """Wrap to signed 32 bits."""
    v &= 0xFFFFFFFF
    return v - 0x100000000 if v & 0x80000000 else v


class Rng:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def step(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF

    def below(self, n):
        if n <= 0:
            return 0
        self.step()  # first step only serves as a sign test
        return self.step() % n


class Scene:
    """Holds what every sprite needs: screen size, generator, the list."""

    def __init__(self, seed, width, height):
        self.rng = Rng(seed)
        self.W = width
        self.H = height
        self.slots = []

    def add(self, sprite):
        if len(self.slots) < CAPACITY:
            self.slots.append(sprite)

    def tick(self):
        slots = self.slots
        i = 0
        while i < len(slots):  # length re-read: sprites added now are updated too
            slots[i].update(self)
            i += 1
        slots[:] = [s for s in slots if not s.is_finished()]
        # A bubble sort with strict-less swaps, repeated until no swap, ends in
        # the unique stable ascending order; keys do not change while sorting.
        slots.sort(key=lambda s: s.depth_key())
        for s in slots:
            s.draw()


class Sprite:
    tid = 0

    def __init__(self, x, y, w, h):
        self.x = x
        self.y = y
        self.w = w
        self.h = h
        self.cx = 0
        self.cy = 0

    def depth_key(self):
        return self.y + self.h


WALK_STEPS = (7, 5, 7, 4, 5)
WANDERING, WAITING, COURTING, APPROACHING, SMITTEN, COUPLED = range(6)


class Alien(Sprite):
    tid = 1

    def __init__(self, scene, x, y, kind, initial):
        super().__init__(x, y, 70, 70)
        self.kind = kind
        self.state = WANDERING
        self.walk = 0
        self.hearts_sent = 0
        self.heart_timer = 0
        self.mate = None
        self.front_once = 1 if initial == 0 else 0
        rng = scene.rng
        self.facing = 1 if rng.below(2) == 1 else 0
        sign = 1 if rng.below(2) == 1 else -1
        self.speed_y = sign * (rng.below(5) + 1)
        if initial == 0:
            # a grown alien is handed the baby's centre
            self.x -= 45 if self.facing == 1 else 23

    def is_finished(self):
        return self.state == COUPLED

    def update(self, scene):
        if self.state == WANDERING:
            self.wander(scene)
        elif self.state == COURTING:
            self.court(scene)
        elif self.state == APPROACHING:
            self.approach(scene)

    def wander(self, scene):
        rng = scene.rng
        entry_facing = self.facing
        if self.x < 10 and self.facing == 0:
            self.facing = 1
        if self.y < 0 and self.speed_y < 0:
            self.speed_y = -self.speed_y
        if self.x + self.w + 10 > scene.W and self.facing == 1:
            self.facing = 0
        if self.y + self.h > scene.H and self.speed_y > 0:
            self.speed_y = -self.speed_y
        if rng.below(5) == 1:
            c = self.speed_y + rng.below(3) - 1
            if 1 <= abs(c) <= 5:
                self.speed_y = c
        if rng.below(100) == 1:
            if rng.below(2) != 0:
                self.facing = 1 - self.facing
            if rng.below(2) != 0:
                self.speed_y = -self.speed_y
        self.walk += 1
        if self.walk >= 5:
            self.walk = 0
        d = WALK_STEPS[self.walk]
        self.x += d if self.facing == 1 else -d
        self.y += self.speed_y
        if self.facing != entry_facing:
            self.walk = 5
            self.x += -27 if self.facing == 1 else 27
            return
        if self.kind != 0:
            return
        for c in scene.slots:
            if c is self or c.tid != 1 or c.kind != 1:
                continue
            if c.try_accept_suitor(self.x, self.y, self.facing):
                self.mate = c
                self.state = COURTING
                self.heart_timer = 0
                self.hearts_sent = 0
                self.walk = 0
                return

    def try_accept_suitor(self, sx, sy, sfacing):
        if self.state != WANDERING:
            return False
        if (1 if self.x > sx else 0) != sfacing:
            return False
        if self.facing != 1 - sfacing:
            return False
        if abs(sx - self.x) <= 100:
            return False
        if not (sy <= self.y <= sy + 3):
            return False
        self.y = sy
        self.walk = 0
        self.state = WAITING
        return True

    def court(self, scene):
        if self.heart_timer < 1:
            self.heart_timer += 1
            return
        self.heart_timer = 0
        if self.hearts_sent < 6:
            hx = self.x + 70 if self.facing == 1 else self.x - 16
            scene.add(Heart(hx, self.y + 35, 5 - self.hearts_sent,
                            self.facing, self, self.mate))
            self.hearts_sent += 1

    def approach(self, scene):
        if abs(self.x - self.mate.x) < 78:
            self.mate.form_couple(self, scene)
            self.state = COUPLED
        self.walk += 1
        if self.walk == 5:
            self.walk = 0
        d = WALK_STEPS[self.walk]
        self.x += d if self.facing == 1 else -d

    def become_smitten(self):
        if self.state != COUPLED:
            self.state = SMITTEN

    def start_approach(self):
        if self.state != COUPLED:
            self.state = APPROACHING

    def form_couple(self, suitor, scene):
        cx = tdiv(self.x + suitor.x - 50, 2)
        scene.add(Couple(cx, self.y, 1 if self.facing == 1 else 0))
        self.state = COUPLED

    def draw(self):
        col = self.walk
        row = 0 if self.facing == 1 else 1
        if self.front_once == 1:
            col = 5
            self.front_once = 0
        if self.kind == 1:
            col += 6
        if self.state == SMITTEN:
            row = 6
            col = 0 if self.facing == 1 else 1
        self.cx = col * 70
        self.cy = row * 70


class Heart(Sprite):
    tid = 2

    def __init__(self, x, y, index, facing, suitor, mate):
        super().__init__(x, y, 16, 16)
        self.suitor = suitor
        self.mate = mate
        self.index = index
        self.wobble = 0
        self.rising = 1
        self.facing = facing
        self.finished = 0

    def is_finished(self):
        return self.finished == 1

    def update(self, scene):
        if self.finished == 1:
            return
        self.wobble += 2 if self.rising == 1 else -2
        if abs(self.wobble) >= 6:
            self.rising = 1 - self.rising
        self.x += 6 if self.facing == 1 else -6
        self.y -= self.wobble
        if self.facing == 1:
            self.finished = 1 if self.mate.x - (self.x + 16) < 7 else 0
        else:
            self.finished = 1 if self.x - (self.mate.x + 70) < 7 else 0
        if abs(self.wobble) < 6:
            self.finished = 0
        if self.finished == 1 and self.index == 0:
            self.suitor.start_approach()
        if self.finished == 1 and self.index == 5:
            self.mate.become_smitten()

    def draw(self):
        self.cx = (self.index % 3) * 16
        self.cy = 490 + (self.index // 3) * 16


class Couple(Sprite):
    tid = 3

    def __init__(self, x, y, orientation):
        super().__init__(x, y, 120, 70)
        self.orientation = orientation
        self.frame = -1
        self.finished = 0
        self.skip = 1
        self.emitted = 0

    def is_finished(self):
        return self.finished == 1

    def update(self, scene):
        self.skip = 1 if self.skip == 0 else 0
        if self.skip == 1:
            return
        self.frame += 1
        if self.frame == 15 and self.emitted < 4:
            self.frame = 13
            self.spawn(self.emitted % 2, self.emitted // 2, scene)
            self.emitted += 1
        if self.frame == 18:
            self.finished = 1

    def spawn(self, kind, variant, scene):
        sx = self.x + 44
        sy = self.y + 38
        rng = scene.rng
        for _ in range(LANDING_TRIES):
            tx = rng.below(scene.W - 32)
            ty = rng.below(scene.H - 32)
            if abs(tx - sx) + abs(ty - sy) >= 100:
                break
        scene.add(Baby(kind, variant, sx, sy, tx, ty))
        scene.add(Shadow(sx, sy, tx, ty))

    def draw(self):
        f = self.frame
        mirrored = self.orientation == 1
        if f <= 5:
            col, row = f, (2 if mirrored else 0)
        elif f <= 11:
            col, row = f - 6, (3 if mirrored else 1)
        elif f <= 16:
            col, row = 6, f - 12
        else:
            col, row = 5, 4
        self.cx = col * 120
        self.cy = 140 + row * 70


class Shadow(Sprite):
    tid = 4

    def __init__(self, sx, sy, tx, ty):
        super().__init__(sx, sy, 27, 32)
        self.sx, self.sy, self.tx, self.ty = sx, sy, tx, ty
        self.step = -1

    def update(self, scene):
        self.step += 1
        self.x = self.sx + tdiv((self.tx - self.sx) * self.step, 30)
        self.y = self.sy + tdiv((self.ty - self.sy) * self.step, 30)

    def is_finished(self):
        return self.step >= 30

    def depth_key(self):
        return -100

    def draw(self):
        self.cx = 210
        self.cy = 490


HOP_TABLE = (-10, -8, -6, -4, -2, 0, 2, 4, 6, 8, 10)


class Baby(Sprite):
    tid = 5

    def __init__(self, kind, variant, sx, sy, tx, ty):
        super().__init__(sx, sy, 32, 32)
        self.kind = kind
        self.variant = variant
        self.leaping = 1
        # A kind-1 baby's partner is only ever tested for presence.
        self.partner = None
        self.finished = 0
        self.sx, self.sy, self.tx, self.ty = sx, sy, tx, ty
        self.leap_step = -1
        self.anim = 0
        self.hop = 0
        self.arc = 0
        self.heading_up = 1 if ty < sy else 0
        self.facing = 1 if sx < tx else 0
        self.growing = 0
        self.grow_shown = 0

    def is_finished(self):
        return self.finished == 1

    def depth_key(self):
        return self.y + self.h + self.arc

    def update(self, scene):
        if self.leaping == 1:
            self.leap()
        elif self.partner is not None and self.growing == 1:
            if self.grow_shown == 1:
                scene.add(Alien(scene, self.x + tdiv(self.w, 2),
                                self.y + self.h - 70, self.variant, 0))
                self.finished = 1
        elif self.partner is not None:
            self.approach()
        else:
            self.wander(scene)

    def leap(self):
        self.leap_step += 1
        s = self.leap_step
        self.x = self.sx + tdiv((self.tx - self.sx) * s, 30)
        self.y = self.sy + tdiv((self.ty - self.sy) * s, 30)
        self.arc = 100 - tdiv((s - 15) * (s - 15) * 400, 900)
        self.y -= self.arc
        self.anim += 1
        if self.anim == 4:
            self.anim = 0
        if s == 30:
            self.leaping = 0
            self.x = self.tx
            self.y = self.ty
            self.arc = 0
            self.anim = 0

    def approach(self):
        self.x += 4 if self.facing == 1 else -4
        self.y += HOP_TABLE[self.hop]
        self.hop += 1
        if self.hop == 11:
            self.hop = 0
        if self.kind == 0:
            px = self.partner.x
            if (self.facing == 1 and px < self.x + 4) or \
               (self.facing == 0 and px > self.x - 4):
                self.partner.growing = 1
                self.finished = 1

    def wander(self, scene):
        rng = scene.rng
        if self.x < 3 and self.facing == 0:
            self.facing = 1
        if self.y < 2 and self.heading_up == 1:
            self.heading_up = 0
        if self.x + self.w + 3 > scene.W and self.facing == 1:
            self.facing = 0
        if self.y + self.h + 2 > scene.H and self.heading_up == 0:
            self.heading_up = 1
        if rng.below(75) == 1:
            if rng.below(2) != 0:
                self.facing = 1 - self.facing
            if rng.below(2) != 0:
                self.heading_up = 1 - self.heading_up
        self.anim += 1
        if self.anim >= 5:
            self.anim = 0
        self.x += 3 if self.facing == 1 else -3
        self.y += -2 if self.heading_up == 1 else 2
        if self.kind != 0:
            return
        for c in scene.slots:
            if c is self or c.tid != 5 or c.kind != 1:
                continue
            if c.try_accept_partner(self.x, self.y, self.facing, self):
                self.partner = c
                self.anim = 0
                return

    def try_accept_partner(self, sx, sy, sfacing, seeker):
        if self.partner is not None:
            return False
        if self.leaping != 0:
            return False
        if (1 if self.x > sx else 0) != sfacing:
            return False
        if self.facing != 1 - sfacing:
            return False
        if abs(sx - self.x) <= 25:
            return False
        if not (sy <= self.y <= sy + 5):
            return False
        self.y = sy
        self.anim = 0
        self.partner = seeker
        return True

    def draw(self):
        if self.leaping == 1 and self.kind == 1:
            col = 10 + self.anim
            row = 0 if self.facing == 1 else 1
        elif self.leaping == 1:
            col = 3 + self.anim + (4 if self.facing == 0 else 0)
            row = 2
        elif self.growing == 1:
            col = 0 if self.variant == 1 else 1
            row = 2
            self.grow_shown = 1
        else:
            col = self.anim + (5 if self.kind == 1 else 0)
            row = 0 if self.facing == 1 else 1
        self.cx = 140 + col * 32
        self.cy = 420 + row * 32


def create(seed, width, height, aliens):
    scene = Scene(seed, width, height)
    for i in range(max(aliens, 0)):
        if len(scene.slots) >= CAPACITY:
            break  # a full list ends creation without further draws
        y = scene.rng.below(height - 70)
        x = scene.rng.below(width - 70)
        scene.add(Alien(scene, x, y, (i + 1) % 2, 1))
    return scene


def block(out, t, scene):
    out.append("tick %d sprites %d rng %d\n" % (t, len(scene.slots), scene.rng.state))
    for s in scene.slots:
        out.append("%d %d %d %d %d\n" % (s.tid, s.x, s.y, s.cx, s.cy))


def trace(seed, width, height, ticks, aliens, stream):
    scene = create(seed, width, height, aliens)
    stream.write("glimmerkin-trace 1 seed %d size %d %d aliens %d\n"
                 % (seed, width, height, aliens))
    out = []
    block(out, 0, scene)
    for t in range(1, ticks + 1):
        scene.tick()
        block(out, t, scene)
        if len(out) > 20000:
            stream.write("".join(out))
            out = []
    stream.write("".join(out))


def usage(msg):
    sys.stderr.write("scene_model: %s\n" % msg)
    sys.stderr.write("usage: scene_model.py trace --seed S --size WxH "
                     "--ticks N [--aliens A]\n")
    sys.exit(2)


def main(argv):
    if not argv or argv[0] != "trace":
        usage("expected the 'trace' command")
    opts = {}
    args = argv[1:]
    if len(args) % 2:
        usage("option without a value")
    for k, v in zip(args[0::2], args[1::2]):
        if k not in ("--seed", "--size", "--ticks", "--aliens"):
            usage("unknown option " + k)
        opts[k] = v
    try:
        seed = int(opts["--seed"])
        w, h = (int(p) for p in opts["--size"].split("x"))
        ticks = int(opts["--ticks"])
        aliens = int(opts.get("--aliens", "9"))
    except (KeyError, ValueError):
        usage("bad or missing option")
    if (not 0 <= seed <= 0xFFFFFFFF or w <= 0 or h <= 0 or ticks < 0
            or i32(aliens) != aliens):
        usage("option out of range")
    trace(seed, w, h, ticks, aliens, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1:])
