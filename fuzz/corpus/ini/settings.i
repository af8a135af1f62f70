[Glimmerkin]
Redraw Speed=7
Num Sprites=12
