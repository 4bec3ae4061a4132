// libquendarx.so: every library of src/ linked whole; the entry points live in automation/.
