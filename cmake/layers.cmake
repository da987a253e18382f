# The layers of src/, bottom first: a folder may include and call its own files and those of the
# folders before it, never those after it.
set(AVIORRA_LAYERS platform d3dx core console resources game frontend render app)
